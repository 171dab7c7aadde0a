#pragma once

#include <optional>
#include <string>
#include <vector>

#include "liblog/log_interface.hpp"
#include "s7/records/diagnostics_data.hpp"

namespace korvel::probekit::s7 {

// Values of the recent_cycle_time_status lookup.
enum class recent_cycle_time_status { unknown = 0, cycle_time_ok = 1, cycle_time_exceeded = 2, lost_track_of_events = 3 };

struct cycle_time_events {
    recent_cycle_time_status status = recent_cycle_time_status::cycle_time_ok;
    // The newest time stamp in the buffer, to remember as seen; none for an empty buffer.
    std::optional<std::string> newest;
};

// Whether the CPU logged a cycle-time overrun (event 0x3501) since the newest entry seen before
// (`previous`), or whether the buffer moved on so far that events may have been missed.
// Time stamps are compared as texts, which orders them in time.
cycle_time_events evaluate_cycle_time_events(const std::vector<diagnostic_entry>& entries,
                                             const std::optional<std::string>& previous, liblog::log_interface& log);

const char* status_name(recent_cycle_time_status status);

}  // namespace korvel::probekit::s7
