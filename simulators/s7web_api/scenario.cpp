#include "simulators/s7web_api/scenario.hpp"

#include <utility>

namespace korvel::probekit::simulators {

const hardware_node* find_node(const std::vector<hardware_node>& nodes, std::int32_t hwid) {
    // A work list rather than recursion: trees changed at run time have no depth bound.
    std::vector<const std::vector<hardware_node>*> pending{&nodes};
    while (!pending.empty()) {
        const auto* level = pending.back();
        pending.pop_back();
        for (const auto& node : *level) {
            if (node.hwid == hwid) return &node;
            pending.push_back(&node.children);
        }
    }
    return nullptr;
}

hardware_node* find_node(std::vector<hardware_node>& nodes, std::int32_t hwid) {
    return const_cast<hardware_node*>(find_node(std::as_const(nodes), hwid));
}

}  // namespace korvel::probekit::simulators
