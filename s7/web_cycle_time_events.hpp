#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "liblog/log_interface.hpp"
#include "s7/cycle_time_events.hpp"
#include "s7/s7web/diagnostic_buffer.hpp"

namespace korvel::probekit::s7 {

// Whether an S7-1200/1500 CPU logged a cycle-time overrun (text list 2, text 0x3501) after the newest
// entry seen before (`previous`), or whether a full browse of `requested_count` entries no longer
// reaches back to it, so events may have been missed. Time stamps are compared as texts, which orders
// a device's ISO 8601 time stamps in time.
cycle_time_events evaluate_web_cycle_time_events(const std::vector<s7web::diagnostic_buffer_entry>& entries,
                                                 std::size_t requested_count,
                                                 const std::optional<std::string>& previous,
                                                 liblog::log_interface& log);

}  // namespace korvel::probekit::s7
