#include "host/cli/channel_hold.hpp"

#include <ctime>

namespace korvel::probekit::host {
namespace {

bool is_problem(const std::optional<severity>& state) {
    return state == severity::warning || state == severity::error;
}

// Local time, as the operator's clock on the wall shows it.
std::string time_of_day(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[8];
    std::strftime(text, sizeof text, "%H:%M", &local);
    return text;
}

}  // namespace

bool channel_hold::apply(sensor_report& report, std::map<int, held_channel>& held,
                         std::chrono::system_clock::time_point now) const {
    bool changed = false;
    // A time ahead of the clock (it was set back) becomes now, so no hold outlasts its duration by
    // more than the clock's jump.
    for (auto& [id, problem] : held) {
        if (problem.since <= now) continue;
        problem.since = now;
        changed = true;
    }
    changed =
        std::erase_if(held, [&](const auto& entry) { return entry.second.since + duration_ <= now; }) != 0 ||
        changed;
    std::string notes;
    for (auto& channel : report.channels) {
        const auto found = held.find(channel.id);
        if (is_problem(channel.state) && (found == held.end() || *channel.state >= found->second.state)) {
            if (duration_.count() == 0) continue;
            held.insert_or_assign(channel.id, held_channel{*channel.state, channel.value, channel.text, now});
            changed = true;
            continue;
        }
        if (found == held.end()) continue;
        const held_channel& problem = found->second;
        channel.state = problem.state;
        channel.value = problem.value;
        channel.text = problem.text;
        channel.held = true;
        report.state = worst(report.state, problem.state);
        notes += (notes.empty() ? "" : "; ") + std::string("held since ") + time_of_day(problem.since) +
                 ": " + channel.name + ": " + problem.text;
    }
    if (!notes.empty())
        report.message =
            report.message.empty() || report.message == "OK" ? notes : report.message + "; " + notes;
    return changed;
}

}  // namespace korvel::probekit::host
