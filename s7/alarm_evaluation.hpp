#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "libi18n/i18n_msg.hpp"
#include "s7/s7web/alarms_browse.hpp"
#include "s7/s7web/module_node.hpp"

// What the alarm status sensor makes of the active alarms and the hardware modules.
namespace korvel::probekit::s7 {

struct alarm_counts {
    std::int64_t total = 0;  // as the device counts them, which may exceed the entries it sent
    std::int64_t unacknowledged = 0;
    std::int64_t program = 0;
    std::int64_t system = 0;
    std::int64_t other = 0;
};

alarm_counts count_alarms(const s7web::alarms_browse_result& alarms);

// The alarm to show: active and unacknowledged before anything else, then the newest, then the
// highest alarm number; on a full tie the earlier entry. Null when there is none.
const s7web::alarm_entry* most_critical_alarm(const std::vector<s7web::alarm_entry>& entries);

// "No active alarms", or the chosen alarm's text, or its number where it has no text.
libi18n::i18n_msg alarm_message(const s7web::alarm_entry* chosen);

// Values of the alarm_state lookup.
enum class module_alarm_state : std::int64_t {
    inactive = 1,
    active_acknowledged = 2,
    active_unacknowledged = 3
};

// The state of every device and module by name (modules sharing a name share it, the highest
// state winning), in ascending name order: the highest state of the alarms naming its hardware id.
std::map<std::string, module_alarm_state> module_alarm_states(const std::vector<s7web::alarm_entry>& entries,
                                                              const std::vector<s7web::module_node>& nodes);

}  // namespace korvel::probekit::s7
