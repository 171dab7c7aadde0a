#include "s7/alarm_evaluation.hpp"

#include <algorithm>
#include <unordered_map>

#include "s7/texts/sensor_texts.hpp"

namespace korvel::probekit::s7 {
namespace {

using s7web::alarm_category;
using s7web::alarm_entry;

bool active_unacknowledged(const alarm_entry& entry) {
    return entry.incoming && entry.not_acknowledged;
}

bool outranks(const alarm_entry& candidate, const alarm_entry& chosen) {
    if (active_unacknowledged(candidate) != active_unacknowledged(chosen))
        return active_unacknowledged(candidate);
    if (candidate.timestamp != chosen.timestamp) return candidate.timestamp > chosen.timestamp;
    return candidate.alarm_number > chosen.alarm_number;
}

module_alarm_state state_of(const alarm_entry& entry) {
    if (entry.not_acknowledged) return module_alarm_state::active_unacknowledged;
    return entry.incoming ? module_alarm_state::active_acknowledged : module_alarm_state::inactive;
}

void keep_highest(module_alarm_state& kept, module_alarm_state state) {
    kept = std::max(kept, state);
}

}  // namespace

alarm_counts count_alarms(const s7web::alarms_browse_result& alarms) {
    alarm_counts counts;
    counts.total = alarms.count_current;
    for (const alarm_entry& entry : alarms.entries) {
        if (entry.not_acknowledged) ++counts.unacknowledged;
        switch (entry.category) {
            case alarm_category::program_alarm:
                ++counts.program;
                break;
            case alarm_category::system_diagnostics:
                ++counts.system;
                break;
            case alarm_category::other:
                ++counts.other;
                break;
        }
    }
    return counts;
}

const alarm_entry* most_critical_alarm(const std::vector<alarm_entry>& entries) {
    const alarm_entry* chosen = nullptr;
    for (const alarm_entry& entry : entries) {
        if (chosen == nullptr || outranks(entry, *chosen)) chosen = &entry;
    }
    return chosen;
}

libi18n::i18n_msg alarm_message(const alarm_entry* chosen) {
    if (chosen == nullptr) return libi18n::make_msg(texts::message::no_active_alarms);
    if (chosen->alarm_text.empty())
        return libi18n::make_msg(texts::message::most_critical_active_alarm_number,
                                 std::to_string(chosen->alarm_number));
    return libi18n::make_msg(texts::message::most_critical_active_alarm, chosen->alarm_text);
}

std::map<std::string, module_alarm_state> module_alarm_states(const std::vector<alarm_entry>& entries,
                                                              const std::vector<s7web::module_node>& nodes) {
    std::unordered_map<std::int32_t, module_alarm_state> by_hwid;
    for (const alarm_entry& entry : entries) {
        if (!entry.hwid) continue;
        const auto [kept, added] = by_hwid.try_emplace(*entry.hwid, state_of(entry));
        if (!added) keep_highest(kept->second, state_of(entry));
    }
    std::map<std::string, module_alarm_state> by_name;
    for (const s7web::module_node& node : nodes) {
        if (!node.is_device_or_module()) continue;
        const auto alarm = by_hwid.find(node.hwid);
        const auto state = alarm == by_hwid.end() ? module_alarm_state::inactive : alarm->second;
        const auto [kept, added] = by_name.try_emplace(node.name, state);
        if (!added) keep_highest(kept->second, state);
    }
    return by_name;
}

}  // namespace korvel::probekit::s7
