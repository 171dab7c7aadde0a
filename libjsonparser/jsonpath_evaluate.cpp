// Walks the document without recursion: descendants are visited from an explicit stack, so the depth of a
// document never reaches the call stack. Only the nesting of the path itself recurses (filters inside
// filters), and that is bounded when the path is compiled.
#include <algorithm>
#include <string>

#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/jsonpath_query.hpp"
#include "libjsonparser/jsonpath_syntax.hpp"

namespace korvel::probekit::libjsonparser::jsonpath {
namespace {

using json = nlohmann::json;
using node_list = std::vector<const json*>;

// What a value in a condition stands for: nothing (a query that selected nothing), a value of the
// document or of the path, or a value a function computed.
using operand = std::variant<std::monostate, const json*, json>;

const json* view(const operand& value) {
    if (const auto* node = std::get_if<const json*>(&value)) {
        return *node;
    }
    return std::get_if<json>(&value);
}

bool is_truthy(const json& value) {
    switch (value.type()) {
        case json::value_t::boolean:
            return value.get<bool>();
        case json::value_t::number_integer:
        case json::value_t::number_unsigned:
        case json::value_t::number_float:
            return value.get<double>() != 0.0;
        case json::value_t::string:
        case json::value_t::array:
        case json::value_t::object:
        case json::value_t::binary:
            return !value.empty();
        default:
            return false;
    }
}

bool less(const json* left, const json* right) {
    if (left == nullptr || right == nullptr) {
        return false;
    }
    if (left->is_number() && right->is_number()) {
        return *left < *right;
    }
    if (left->is_string() && right->is_string()) {
        return left->get_ref<const std::string&>() < right->get_ref<const std::string&>();
    }
    return false;
}

bool equal(const json* left, const json* right) {
    if (left == nullptr || right == nullptr) {
        return left == right;
    }
    return *left == *right;
}

bool compare(comparison_operator op, const json* left, const json* right) {
    switch (op) {
        case comparison_operator::equal:
            return equal(left, right);
        case comparison_operator::not_equal:
            return !equal(left, right);
        case comparison_operator::less:
            return less(left, right);
        case comparison_operator::less_equal:
            return less(left, right) || equal(left, right);
        case comparison_operator::greater:
            return less(right, left);
        case comparison_operator::greater_equal:
            return less(right, left) || equal(left, right);
    }
    return false;
}

class evaluator {
public:
    evaluator(const json& root, std::size_t max_visits) : root_(root), max_visits_(max_visits) {}

    node_list select(const query& path, const json& current) {
        node_list nodes{path.relative ? &current : &root_};
        for (const auto& step : path.segments) {
            node_list next;
            for (const json* node : nodes) {
                if (step.descendants) {
                    select_in_descendants(step, *node, next);
                } else {
                    select_in(step, *node, next);
                }
            }
            nodes = std::move(next);
        }
        return nodes;
    }

private:
    void visit() {
        if (++visits_ > max_visits_) {
            throw exceptions::query_error("The query visits more than " + std::to_string(max_visits_) +
                                          " values");
        }
    }

    void take(const json& node, node_list& out) {
        visit();
        out.push_back(&node);
    }

    void select_in(const segment& step, const json& node, node_list& out) {
        for (const auto& one : step.selectors) {
            std::visit([&](const auto& selector) { select_by(selector, node, out); }, one);
        }
    }

    // The node and everything nested in it, in document order.
    void select_in_descendants(const segment& step, const json& node, node_list& out) {
        std::vector<const json*> pending{&node};
        while (!pending.empty()) {
            const json& current = *pending.back();
            pending.pop_back();
            visit();
            select_in(step, current, out);
            if (current.is_structured()) {
                for (auto child = current.rbegin(); child != current.rend(); ++child) {
                    pending.push_back(&*child);
                }
            }
        }
    }

    void select_by(const name_selector& selector, const json& node, node_list& out) {
        if (node.is_object()) {
            if (const auto member = node.find(selector.name); member != node.end()) {
                take(*member, out);
            }
        }
    }

    void select_by(const wildcard_selector&, const json& node, node_list& out) {
        if (node.is_structured()) {
            for (const auto& child : node) {
                take(child, out);
            }
        }
    }

    void select_by(const index_selector& selector, const json& node, node_list& out) {
        if (!node.is_array()) {
            return;
        }
        const auto size = static_cast<std::int64_t>(node.size());
        const auto index = selector.index < 0 ? size + selector.index : selector.index;
        if (index >= 0 && index < size) {
            take(node[static_cast<std::size_t>(index)], out);
        }
    }

    // Python's slice rules: bounds are clamped, a step of 0 selects nothing.
    void select_by(const slice_selector& selector, const json& node, node_list& out) {
        if (!node.is_array() || selector.step == 0) {
            return;
        }
        const auto size = static_cast<std::int64_t>(node.size());
        const auto normalized = [size](std::int64_t index) { return index < 0 ? size + index : index; };
        const auto step = selector.step;
        if (step > 0) {
            const auto lower = std::clamp<std::int64_t>(normalized(selector.start.value_or(0)), 0, size);
            const auto upper = std::clamp<std::int64_t>(normalized(selector.end.value_or(size)), 0, size);
            for (auto i = lower; i < upper; i += step) {
                take(node[static_cast<std::size_t>(i)], out);
            }
        } else {
            const auto upper =
                std::clamp<std::int64_t>(normalized(selector.start.value_or(size - 1)), -1, size - 1);
            const auto lower =
                std::clamp<std::int64_t>(selector.end ? normalized(*selector.end) : -1, -1, size - 1);
            for (auto i = upper; i > lower; i += step) {
                take(node[static_cast<std::size_t>(i)], out);
            }
        }
    }

    void select_by(const filter_selector& selector, const json& node, node_list& out) {
        if (!node.is_structured()) {
            return;
        }
        for (const auto& child : node) {
            visit();
            if (holds(*selector.condition, child)) {
                take(child, out);
            }
        }
    }

    bool holds(const expression& condition, const json& current) {
        return std::visit([&](const auto& node) { return holds(node, current); }, condition.node);
    }

    bool holds(const comparison& node, const json& current) {
        const auto left = value_of(*node.left, current);
        const auto right = value_of(*node.right, current);
        return compare(node.op, view(left), view(right));
    }

    bool holds(const logical& node, const json& current) {
        if (node.op == logical_operator::conjunction) {
            return holds(*node.left, current) && holds(*node.right, current);
        }
        return holds(*node.left, current) || holds(*node.right, current);
    }

    bool holds(const negation& node, const json& current) { return !holds(*node.operand, current); }

    bool holds(const query& node, const json& current) {
        return std::ranges::any_of(select(node, current),
                                   [](const json* value) { return is_truthy(*value); });
    }

    bool holds(const literal& node, const json&) { return is_truthy(node.value); }

    bool holds(const function_call& node, const json& current) {
        const auto result = call(node, current);
        return result.has_value() && is_truthy(*result);
    }

    // Comparisons and function arguments take only queries of at most one value, literals and calls.
    operand value_of(const expression& value, const json& current) {
        if (const auto* path = std::get_if<query>(&value.node)) {
            const auto nodes = select(*path, current);
            return nodes.empty() ? operand{} : operand{nodes.front()};
        }
        if (const auto* constant = std::get_if<literal>(&value.node)) {
            return &constant->value;
        }
        if (const auto* function = std::get_if<function_call>(&value.node)) {
            auto result = call(*function, current);
            return result ? operand{std::move(*result)} : operand{};
        }
        return {};
    }

    std::optional<json> call(const function_call& node, const json& current) {
        std::vector<operand> values;
        values.reserve(node.arguments.size());
        std::vector<const json*> arguments;
        for (const auto& argument : node.arguments) {
            values.push_back(value_of(*argument, current));
        }
        for (const auto& value : values) {
            arguments.push_back(view(value));
        }
        return node.function->call(arguments);
    }

    const json& root_;
    const std::size_t max_visits_;
    std::size_t visits_ = 0;
};

}  // namespace

node_list evaluate(const query& path, const json& root, std::size_t max_visits) {
    return evaluator(root, max_visits).select(path, root);
}

}  // namespace korvel::probekit::libjsonparser::jsonpath
