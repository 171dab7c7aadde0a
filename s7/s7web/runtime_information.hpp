#pragma once

#include <cstdint>
#include <optional>

#include "libparser/parser_interface.hpp"

namespace korvel::probekit::s7::s7web {

// Cycle times and loads of a CPU, from a Plc.ReadRuntimeInformation answer. Absent loads are 0.
struct runtime_information {
    std::int64_t current_cycle_time_ms = 0;
    std::int64_t shortest_cycle_time_ms = 0;
    std::int64_t longest_cycle_time_ms = 0;
    double program_load_cyclic_percent = 0;
    double program_load_high_priority_percent = 0;
    double current_communication_load_percent = 0;
    double max_communication_load_percent = 0;  // as configured

    // The communication load against its configured maximum; 0 when no maximum is configured.
    double communication_load_ratio_percent() const {
        return max_communication_load_percent > 0
                   ? current_communication_load_percent / max_communication_load_percent * 100
                   : 0;
    }

    bool operator==(const runtime_information&) const = default;
};

// None when the firmware lacks the method (-32601); any other error throws api_unexpected_error. A cycle
// time that is no duration of the form "PT0.150S" (absent ones included) throws what
// parse_iso8601_duration throws.
std::optional<runtime_information> parse_runtime_information(const libparser::parser_interface& answer);

}  // namespace korvel::probekit::s7::s7web
