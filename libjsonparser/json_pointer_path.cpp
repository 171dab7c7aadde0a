#include "libjsonparser/json_pointer_path.hpp"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

#include "libjsonparser/exceptions.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

// Calls `step` with each step of a dotted path in turn, as long as it returns true: "." separates
// steps, "\." is a dot inside a member name, every other character stands for itself. The empty path
// has no steps; "a." has two, the second empty. One buffer serves every step: lookups run per query.
template <typename Step>
void for_each_step(std::string_view path, Step step) {
    if (path.empty()) return;
    std::string token;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '.') {
            if (!step(token)) return;
            token.clear();
        } else if (path[at] == '\\' && at + 1 < path.size() && path[at + 1] == '.') {
            token += '.';
            ++at;
        } else {
            token += path[at];
        }
    }
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

const nlohmann::json* find_member(const nlohmann::json& object, const std::string& name, member_names names) {
    if (const auto exact = object.find(name); exact != object.end()) {
        return &*exact;
    }
    if (names == member_names::ignore_case) {
        for (const auto& [member, value] : object.items()) {
            if (equal_ignoring_case(member, name)) {
                return &value;
            }
        }
    }
    return nullptr;
}

// A step into an array: an index as RFC 6901 writes it ("0", or digits without a leading zero) or "-"
// (past the end). `element` is empty for "-" and for numbers too large for any array.
struct array_step {
    bool valid = false;
    std::optional<std::size_t> element;
};

array_step parse_array_step(const std::string& token) {
    if (token == "-") {
        return {true, std::nullopt};
    }
    const bool digits_only =
        !token.empty() && std::ranges::all_of(token, [](char c) { return c >= '0' && c <= '9'; });
    if (!digits_only || (token.size() > 1 && token.front() == '0')) {
        return {};
    }
    std::size_t index = 0;
    if (std::from_chars(token.data(), token.data() + token.size(), index).ec != std::errc()) {
        return {true, std::nullopt};
    }
    return {true, index};
}

}  // namespace

const nlohmann::json* find_path(const nlohmann::json& root, const std::string& path, member_names names) {
    const nlohmann::json* current = &root;
    for_each_step(path, [&](const std::string& token) {
        if (current->is_object()) {
            current = find_member(*current, token, names);
        } else if (current->is_array()) {
            const auto step = parse_array_step(token);
            if (!step.valid) {
                throw exceptions::query_error(names == member_names::ignore_case ? "Not an object"
                                                                                 : "Invalid array index");
            }
            current = step.element && *step.element < current->size() ? &(*current)[*step.element] : nullptr;
        } else {
            current = nullptr;
        }
        return current != nullptr;
    });
    return current;
}

}  // namespace korvel::probekit::libjsonparser
