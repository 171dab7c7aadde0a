#include "s7/hardware_status_evaluation.hpp"

#include <algorithm>
#include <optional>

namespace korvel::probekit::s7 {
namespace {

std::optional<std::int32_t> parent_of(const s7web::module_node& node) {
    return node.parent_hwid ? node.parent_hwid : node.browsed_hwid;
}

std::int64_t state_value(const std::string& text) {
    const auto state = s7web::to_module_state(text);
    return state ? static_cast<std::int64_t>(*state) : 0;
}

}  // namespace

std::vector<const s7web::module_node*> monitored_modules(const std::vector<s7web::module_node>& nodes) {
    std::vector<const s7web::module_node*> monitored;
    for (const s7web::module_node& node : nodes) {
        if (node.is_device_or_module() && node.subtype != "cpu") monitored.push_back(&node);
    }
    return monitored;
}

hardware_tree::hardware_tree(const std::vector<s7web::module_node>& nodes) {
    for (const s7web::module_node& node : nodes) index_.try_emplace(node.hwid, &node);
}

std::unordered_set<std::int32_t> hardware_tree::ancestors_of(const std::vector<std::int32_t>& hwids) const {
    std::unordered_set<std::int32_t> ancestors;
    for (const std::int32_t start : hwids) {
        const auto node = index_.find(start);
        if (node == index_.end()) continue;
        auto parent = parent_of(*node->second);
        while (parent && *parent != start) {
            const auto found = index_.find(*parent);
            if (found == index_.end() || !ancestors.insert(*parent).second) break;
            parent = parent_of(*found->second);
        }
    }
    return ancestors;
}

std::int64_t hardware_status_value(const s7web::module_status& status, bool contains_monitored) {
    const std::int64_t own = state_value(status.own);
    return contains_monitored ? own : std::max(own, state_value(status.subordinate));
}

bool is_fault(std::int64_t status_value) {
    return status_value != 0 && status_value != 1;
}

std::size_t count_faults(const std::vector<std::int32_t>& faulty_hwids, const hardware_tree& tree) {
    const auto containing_faults = tree.ancestors_of(faulty_hwids);
    return static_cast<std::size_t>(
        std::count_if(faulty_hwids.begin(), faulty_hwids.end(),
                      [&](std::int32_t hwid) { return !containing_faults.contains(hwid); }));
}

}  // namespace korvel::probekit::s7
