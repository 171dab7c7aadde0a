#include "s7/cycle_time_events.hpp"

#include <algorithm>
#include <stdexcept>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"

namespace korvel::probekit::s7 {
namespace {

using liblog::level::trace;
constexpr std::uint16_t cycle_time_exceeded_event = 0x3501;

bool by_time_stamp(const diagnostic_entry& left, const diagnostic_entry& right) {
    return left.time_stamp < right.time_stamp;
}

}  // namespace

cycle_time_events evaluate_cycle_time_events(const std::vector<diagnostic_entry>& entries,
                                             const std::optional<std::string>& previous,
                                             liblog::log_interface& log) {
    if (entries.empty()) return {};
    const auto [oldest, newest] = std::minmax_element(entries.begin(), entries.end(), by_time_stamp);
    liblog::write_line(log, trace, "  Oldest Event Timestamp: ", oldest->time_stamp);
    liblog::write_line(log, trace, "  Newest Event Timestamp: ", newest->time_stamp);
    cycle_time_events result{recent_cycle_time_status::cycle_time_ok, newest->time_stamp};

    const auto exceeded = std::find_if(entries.begin(), entries.end(), [&](const diagnostic_entry& entry) {
        return entry.event_id == cycle_time_exceeded_event && (!previous || *previous < entry.time_stamp);
    });
    if (exceeded != entries.end()) {
        liblog::write_line(log, trace, "  Found event 0x3501 at ", exceeded->time_stamp);
        result.status = recent_cycle_time_status::cycle_time_exceeded;
    } else if (previous && (*previous < oldest->time_stamp || *previous > newest->time_stamp)) {
        liblog::write_line(log, trace, "  Lost track of events (most recent known timestamp: ", *previous, ")");
        result.status = recent_cycle_time_status::lost_track_of_events;
    }
    return result;
}

const char* status_name(recent_cycle_time_status status) {
    switch (status) {
        case recent_cycle_time_status::unknown:
            return "unknown";
        case recent_cycle_time_status::cycle_time_ok:
            return "cycle_time_ok";
        case recent_cycle_time_status::cycle_time_exceeded:
            return "cycle_time_exceeded";
        case recent_cycle_time_status::lost_track_of_events:
            return "lost_track_of_events";
    }
    throw std::logic_error("unreachable");
}

}  // namespace korvel::probekit::s7
