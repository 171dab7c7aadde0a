#pragma once

#include <array>
#include <optional>

#include "host/cli/json.hpp"
#include "host/cli/severity.hpp"

namespace korvel::probekit::host {

// The four limit slots of a channel, slot 1 first; an empty slot is unset.
using limit_slots = std::array<std::optional<double>, 4>;

// Reads a channel definition's "limits" (four entries, null for unset).
limit_slots limit_slots_from_json(const json& limits);

// Evaluates one channel's values against its limits. Slot 1 raises a warning that holds until the
// value falls below slot 3, so the tracker must see every value of the channel in order.
class limit_tracker {
public:
    explicit limit_tracker(limit_slots slots) : slots_(slots) {}

    severity evaluate(double value);

private:
    limit_slots slots_;
    bool held_by_slot_1_ = false;
};

}  // namespace korvel::probekit::host
