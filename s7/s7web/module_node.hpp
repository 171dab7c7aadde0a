#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "libparser/parser_interface.hpp"

namespace korvel::probekit::s7::s7web {

// One hardware node of a Modules.Browse answer: a device, module or submodule.
struct module_node {
    std::int32_t hwid = 0;
    std::string name;
    std::string type;  // "device", "module" or "submodule"
    std::string subtype;
    // The device says the node has children; some firmware leaves this out for a device whose
    // children it sends along.
    bool has_children = false;
    // The answer held the children (a non-empty "children" array); they are nodes of the same list.
    bool children_included = false;
    // The node whose "children" array held this one; none for a node at the top of the answer.
    std::optional<std::int32_t> parent_hwid;
    // The node whose children the request browsed; none for the browse of the root.
    std::optional<std::int32_t> browsed_hwid;

    bool is_device_or_module() const { return type == "device" || type == "module"; }
    // Its children are still to be asked for: announced, not sent, and of a kind that has any worth
    // monitoring (the children of modules are submodules).
    bool is_expandable() const {
        return has_children && !children_included && type != "module" && type != "submodule";
    }

    bool operator==(const module_node&) const = default;
};

// Nodes an answer held that could not be read, and why the first of them could not.
struct unreadable_nodes {
    std::size_t count = 0;
    std::string first_reason;

    void add(const std::exception& reason) {
        if (count++ == 0) first_reason = reason.what();
    }
};

// The nodes of a Modules.Browse answer, nested children included, level by level in the answer's
// order; `browsed_hwid` is the hardware id the request browsed (none for the root) and is copied into
// every node. Error -32601 throws modules_browse_not_supported, any other error
// modules_browse_internal_error, as do more nodes or deeper nesting than s7web::limits allows. A node
// that cannot be read (no 32-bit "hwid", a text longer than s7web::limits allows) is left out with
// its children and counted in `unreadable` when given, so one bad node costs only its branch.
std::vector<module_node> parse_modules_browse(const libparser::parser_interface& answer,
                                              std::optional<std::int32_t> browsed_hwid,
                                              unreadable_nodes* unreadable = nullptr);

}  // namespace korvel::probekit::s7::s7web
