#include "s7/s7web/module_node.hpp"

#include <deque>
#include <memory>

#include "libi18n/i18n_exception.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_limits.hpp"
#include "s7/s7web/answer_reading.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

using browse_error = exceptions::modules_browse_internal_error;

void check_browse_error(const parser_interface& answer) {
    switch (error_code_of(answer)) {
        case 0:
            return;
        case method_not_found:
            throw exceptions::modules_browse_not_supported(error_cause_of(answer));
        default:
            throw browse_error(error_cause_of(answer));
    }
}

// A node still to be read, with where it sits.
struct pending_node {
    std::unique_ptr<parser_interface> element;
    std::optional<std::int32_t> parent_hwid;
    std::size_t depth;
};

module_node node_of(const parser_interface& element, std::optional<std::int32_t> parent_hwid,
                    std::optional<std::int32_t> browsed_hwid) {
    module_node node;
    node.hwid = hardware_id(element, "hwid");
    node.name = bounded_text<browse_error>(element, "name", limits::max_text_length);
    node.type = bounded_text<browse_error>(element, "type", limits::max_word_length);
    node.subtype = bounded_text<browse_error>(element, "subtype", limits::max_word_length);
    node.has_children = query_or_default(element, &parser_interface::get_bool, "has_children", false);
    node.parent_hwid = parent_hwid;
    node.browsed_hwid = browsed_hwid;
    return node;
}

}  // namespace

std::vector<module_node> parse_modules_browse(const parser_interface& answer,
                                              std::optional<std::int32_t> browsed_hwid,
                                              unreadable_nodes* unreadable) {
    check_browse_error(answer);
    // A work list rather than recursion: the nesting comes from the device.
    std::deque<pending_node> pending;
    for (auto& element : bounded_array<browse_error>(answer, "result.nodes", limits::max_entries))
        pending.push_back({std::move(element), std::nullopt, 0});

    std::vector<module_node> nodes;
    while (!pending.empty()) {
        const pending_node next = std::move(pending.front());
        pending.pop_front();
        module_node node;
        try {
            node = node_of(*next.element, next.parent_hwid, browsed_hwid);
        } catch (const libi18n::i18n_exception& reason) {  // a read that failed, not a lack of memory
            if (unreadable != nullptr) unreadable->add(reason);
            continue;
        }
        auto children = bounded_array<browse_error>(*next.element, "children", limits::max_entries);
        node.children_included = !children.empty();
        if (node.children_included && next.depth == limits::max_children_depth) throw browse_error();
        for (auto& child : children) pending.push_back({std::move(child), node.hwid, next.depth + 1});
        nodes.push_back(std::move(node));
        if (nodes.size() + pending.size() > limits::max_entries) throw browse_error();
    }
    return nodes;
}

}  // namespace korvel::probekit::s7::s7web
