#include "s7/web_cycle_time_events.hpp"

#include <algorithm>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"

namespace korvel::probekit::s7 {
namespace {

using liblog::level::trace;
constexpr std::int64_t system_events_text_list = 2;
constexpr std::int64_t cycle_time_exceeded_text = 0x3501;

bool by_time_stamp(const s7web::diagnostic_buffer_entry& left, const s7web::diagnostic_buffer_entry& right) {
    return left.timestamp < right.timestamp;
}

}  // namespace

cycle_time_events evaluate_web_cycle_time_events(const std::vector<s7web::diagnostic_buffer_entry>& entries,
                                                 std::size_t requested_count,
                                                 const std::optional<std::string>& previous,
                                                 liblog::log_interface& log) {
    if (entries.empty()) return {};
    const auto [oldest, newest] = std::minmax_element(entries.begin(), entries.end(), by_time_stamp);
    cycle_time_events result{recent_cycle_time_status::cycle_time_ok, newest->timestamp};

    const auto exceeded =
        std::find_if(entries.begin(), entries.end(), [&](const s7web::diagnostic_buffer_entry& entry) {
            return entry.textlist_id == system_events_text_list &&
                   entry.text_id == cycle_time_exceeded_text && (!previous || *previous < entry.timestamp);
        });
    if (exceeded != entries.end()) {
        liblog::write_line(log, trace, "  Cycle time exceeded at ", exceeded->timestamp);
        result.status = recent_cycle_time_status::cycle_time_exceeded;
    } else if (previous && entries.size() >= requested_count &&
               (*previous < oldest->timestamp || *previous > newest->timestamp)) {
        // A full browse that no longer reaches back to the last entry seen: events in between are unseen.
        liblog::write_line(log, trace, "  Lost track of events (most recent known timestamp: ", *previous,
                           ")");
        result.status = recent_cycle_time_status::lost_track_of_events;
    }
    return result;
}

}  // namespace korvel::probekit::s7
