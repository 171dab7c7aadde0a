#pragma once

#include <cstdint>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "s7/s7web/module_node.hpp"
#include "s7/s7web/module_status.hpp"

// What the hardware status sensor makes of the hardware tree and the modules' statuses.
namespace korvel::probekit::s7 {

// The devices and modules whose status is monitored, in discovery order: CPUs report through their
// own sensor, submodules through their module.
std::vector<const s7web::module_node*> monitored_modules(const std::vector<s7web::module_node>& nodes);

// The parent links of a walk's nodes: the node whose children array held a node, or else the node
// whose browse listed it.
class hardware_tree {
public:
    explicit hardware_tree(const std::vector<s7web::module_node>& nodes);

    // Every hardware id above one of `hwids`, up to the top of the tree; a parent the walk did not
    // collect, or a loop in what the device sent, ends the way up.
    std::unordered_set<std::int32_t> ancestors_of(const std::vector<std::int32_t>& hwids) const;

private:
    std::unordered_map<std::int32_t, const s7web::module_node*> index_;
};

// The value of a module's channel (lookup hardware_status): its own status when it contains other
// monitored modules, which report what lies below them themselves; otherwise the worse of its own
// and its subordinate status. A status text outside the lookup counts as 0.
std::int64_t hardware_status_value(const s7web::module_status& status, bool contains_monitored);

// 0 (no value) and 1 (good) are no fault; every other status is.
bool is_fault(std::int64_t status_value);

// The faulty modules that contain no other faulty module: a fault below a device shows on the device
// too, and is counted once, where it is.
std::size_t count_faults(const std::vector<std::int32_t>& faulty_hwids, const hardware_tree& tree);

}  // namespace korvel::probekit::s7
