#include "s7/restart_counting.hpp"

#include <algorithm>
#include <numeric>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"
#include "libstringutils/hex.hpp"
#include "s7/persisted_values.hpp"

namespace korvel::probekit::s7 {
namespace {

using liblog::level::trace;
constexpr std::int64_t no_restarts = 1;

struct restart_event {
    std::uint16_t first_id;
    std::uint16_t second_id;
    restart_kind kind;
    std::int64_t state;
    const char* log_text;
};

const restart_event restart_events[] = {
    {0x1381, 0x138A, restart_kind::manual_warm, 7, " counted as Manual Warm Restart"},
    {0x1382, 0x138B, restart_kind::automatic_warm, 6, " counted as Automatic Warm Restart"},
    {0x1383, 0x138C, restart_kind::manual_hot, 3, " counted as Manual Hot Restart"},
    {0x1384, 0x138D, restart_kind::automatic_hot, 2, " counted as Automatic Hot Restart"},
    {0x1385, 0x1387, restart_kind::manual_cold, 5, " counted as Manual Cold Restart"},
    {0x1386, 0x1388, restart_kind::automatic_cold, 4, " counted as Automatic Cold Restart"},
};

struct kind_names {
    const char* key;
    const char* label;
};

constexpr kind_names names[restart_kinds] = {
    {"automatic_cold_restarts", "Automatic Cold"}, {"automatic_warm_restarts", "Automatic Warm"},
    {"automatic_hot_restarts", "Automatic Hot"},   {"manual_cold_restarts", "Manual Cold"},
    {"manual_warm_restarts", "Manual Warm"},       {"manual_hot_restarts", "Manual Hot"},
};

const restart_event* find_event(std::uint16_t event_id) {
    for (const auto& event : restart_events) {
        if (event.first_id == event_id || event.second_id == event_id) return &event;
    }
    return nullptr;
}

void log_summary(const restart_totals& counted, const restart_totals& totals, liblog::log_interface& log) {
    if (!log.enabled()) return;
    const auto line = [&](std::string_view label, std::int64_t fresh, std::int64_t total) {
        liblog::write_line(log, trace, "  ", label, " (New/Cumulative): ", fresh, "/", total);
    };
    line("Total Restarts", total_restarts(counted), total_restarts(totals));
    for (std::size_t kind = 0; kind < restart_kinds; ++kind)
        line(names[kind].label, counted[kind], totals[kind]);
}

}  // namespace

const char* total_key(restart_kind kind) {
    return names[static_cast<std::size_t>(kind)].key;
}

std::int64_t total_restarts(const restart_totals& totals) {
    return std::accumulate(totals.begin(), totals.end(), std::int64_t{0}, saturating_add);
}

restart_count count_restarts(std::vector<diagnostic_entry> entries,
                             const std::optional<std::string>& previous, const restart_totals& stored,
                             liblog::log_interface& log) {
    restart_count result{stored, no_restarts, std::nullopt};
    if (entries.empty()) return result;

    std::sort(entries.begin(), entries.end(),
              [](const diagnostic_entry& left, const diagnostic_entry& right) {
                  return left.time_stamp < right.time_stamp;
              });
    liblog::write_line(log, trace, "  Oldest Event Timestamp: ", entries.front().time_stamp);
    liblog::write_line(log, trace, "  Newest Event Timestamp: ", entries.back().time_stamp);

    restart_totals counted{};
    for (const auto& entry : entries) {
        if (previous && !(*previous < entry.time_stamp)) continue;
        const restart_event* event = find_event(entry.event_id);
        if (event == nullptr) continue;
        ++counted[static_cast<std::size_t>(event->kind)];
        result.state = event->state;
        if (log.enabled())
            log.log(trace, liblog::log_line("  Event 0x", libstringutils::hex_digits(entry.event_id, 4), event->log_text));
    }
    for (std::size_t kind = 0; kind < restart_kinds; ++kind) {
        result.totals[kind] = saturating_add(result.totals[kind], counted[kind]);
    }
    log_summary(counted, result.totals, log);
    result.newest = std::move(entries.back().time_stamp);
    return result;
}

const char* restart_state_name(std::int64_t state) {
    static constexpr const char* state_names[] = {"unknown",        "no_restarts",    "hot_automatic",
                                                  "hot_manual",     "cold_automatic", "cold_manual",
                                                  "warm_automatic", "warm_manual"};
    return state >= 0 && state < 8 ? state_names[state] : "unknown";
}

}  // namespace korvel::probekit::s7
