#include "host/cli/limit_tracker.hpp"

namespace korvel::probekit::host {

limit_slots limit_slots_from_json(const json& limits) {
    limit_slots slots;
    for (std::size_t slot = 0; slot < slots.size() && slot < limits.size(); ++slot) {
        if (limits[slot].is_number()) slots[slot] = limits[slot].get<double>();
    }
    return slots;
}

severity limit_tracker::evaluate(double value) {
    const auto& [slot_1, slot_2, slot_3, slot_4] = slots_;
    const bool was_held = held_by_slot_1_;
    held_by_slot_1_ = false;
    if (slot_4 && value >= *slot_4) return severity::error;
    if (slot_2 && value > *slot_2) return severity::warning;
    if (slot_1 && (value >= *slot_1 || (slot_3 && was_held && value >= *slot_3))) {
        held_by_slot_1_ = true;
        return severity::warning;
    }
    return severity::ok;
}

}  // namespace korvel::probekit::host
