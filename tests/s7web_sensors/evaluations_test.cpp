// What the S7-1200/1500 sensors make of the device's answers, without a device, where the simulator
// shows too little: cycle-time events, the most critical alarm, alarm states per module, ancestors,
// statuses and fault counts, unknown modes, and what is read back from persistent data.

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "liblog/log_interface.hpp"
#include "s7/alarm_evaluation.hpp"
#include "s7/hardware_status_evaluation.hpp"
#include "s7/persisted_values.hpp"
#include "s7/plc_mode_lookups.hpp"
#include "s7/web_cycle_time_events.hpp"

namespace {

namespace s7 = korvel::probekit::s7;
namespace s7web = korvel::probekit::s7::s7web;
using s7::recent_cycle_time_status;
using s7web::alarm_category;
using s7web::alarm_entry;
using s7web::module_node;

struct recording_log final : korvel::probekit::liblog::log_interface {
    void log(int level, const std::string& message) override {
        lines.push_back(std::to_string(level) + " " + message);
    }
    bool enabled() const override { return true; }
    std::vector<std::string> lines;
};

s7web::diagnostic_buffer_entry event(const std::string& timestamp, std::int64_t textlist_id = 2,
                                     std::int64_t text_id = 0x3501) {
    return {timestamp, textlist_id, text_id};
}

std::vector<s7web::diagnostic_buffer_entry> other_events(int count, int first_second) {
    std::vector<s7web::diagnostic_buffer_entry> entries;
    for (int i = 0; i < count; ++i) {
        char timestamp[40];
        std::snprintf(timestamp, sizeof timestamp, "2024-05-01T10:%02d:%02d.123456789Z",
                      (first_second + i) / 60, (first_second + i) % 60);
        entries.push_back(event(timestamp, 2, 0x4302));
    }
    return entries;
}

TEST(web_cycle_time_events, overruns_since_the_last_scan_and_lost_track_of_a_full_browse) {
    const auto hundred = other_events(100, 100);  // 10:01:40 to 10:03:19
    auto hundred_with_overrun = hundred;
    hundred_with_overrun[40] = event("2024-05-01T10:02:20.123456789Z");
    struct row {
        const char* name;
        std::vector<s7web::diagnostic_buffer_entry> entries;
        std::optional<std::string> previous;
        recent_cycle_time_status status;
        std::optional<std::string> newest;
    };
    const std::string last = "2024-05-01T10:03:19.123456789Z";
    const std::string before = "2024-05-01T08:59:59Z", nine = "2024-05-01T09:00:00Z",
                      later = "2024-05-01T09:00:01Z";
    const auto ok = recent_cycle_time_status::cycle_time_ok;
    const auto exceeded = recent_cycle_time_status::cycle_time_exceeded;
    const auto lost_track = recent_cycle_time_status::lost_track_of_events;
    const row rows[] = {
        {"empty buffer", {}, nine, ok, std::nullopt},
        {"overrun after the stored time stamp", {event(later), event(before, 2, 1)}, nine, exceeded, later},
        {"overrun before the stored time stamp", {event(before)}, nine, ok, before},
        {"0x3501 of another text list", {event(later, 1)}, nine, ok, later},
        {"full browse that never reached the stored one", hundred, "2024-05-01T11:00:00Z", lost_track, last},
        {"full browse still holding the stored time stamp", hundred, "2024-05-01T10:02:00Z", ok, last},
        {"full browse without a stored time stamp", hundred, std::nullopt, ok, last},
        {"overrun wins over lost track", hundred_with_overrun, "2024-05-01T10:00:00Z", exceeded, last},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        recording_log log;
        const auto events = s7::evaluate_web_cycle_time_events(r.entries, 100, r.previous, log);
        EXPECT_EQ(events.status, r.status);
        EXPECT_EQ(events.newest, r.newest);
    }
}

alarm_entry alarm(std::int64_t number, const std::string& timestamp, bool incoming = true,
                  bool not_acknowledged = false, std::optional<std::int32_t> hwid = std::nullopt,
                  alarm_category category = alarm_category::program_alarm, const std::string& text = "") {
    return {number, category, hwid, incoming, not_acknowledged, timestamp, text};
}

TEST(most_critical_alarm, unacknowledged_active_first_then_newest_then_highest_number) {
    struct row {
        const char* name;
        std::vector<alarm_entry> entries;
        std::int64_t chosen;  // its alarm number
    };
    const std::string t9 = "2024-01-01T09:00:00Z", t10 = "2024-01-01T10:00:00Z", t12 = "2024-01-01T12:00:00Z";
    const row rows[] = {
        {"newest wins", {alarm(1, t10), alarm(2, t12), alarm(3, t9)}, 2},
        {"same time: higher number", {alarm(7, t10), alarm(9, t10), alarm(8, t10)}, 9},
        {"unacknowledged later in the list", {alarm(2, t12), alarm(1, t10, true, true)}, 1},
        {"outgoing unacknowledged is not active", {alarm(1, t12, false, true), alarm(2, t10, true, true)}, 2},
        {"outgoing unacknowledged is just newer", {alarm(1, t12, false, true), alarm(2, t10)}, 1},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        const alarm_entry* chosen = s7::most_critical_alarm(r.entries);
        ASSERT_NE(chosen, nullptr);
        EXPECT_EQ(chosen->alarm_number, r.chosen);
    }
    // A full tie keeps the earlier entry.
    const std::vector<alarm_entry> tie{alarm(5, "t"), alarm(5, "t", true, false, 1)};
    EXPECT_EQ(s7::most_critical_alarm(tie), &tie[0]);
}

TEST(most_critical_alarm, message_shows_the_text_or_else_the_number) {
    const auto numbered = alarm(4711, "t");
    EXPECT_EQ(s7::alarm_message(&numbered).text(), "Active Alarm: Alarm Number 4711");
    const auto texted =
        alarm(1, "t", true, false, std::nullopt, alarm_category::program_alarm, "Tank 3: level low");
    EXPECT_EQ(s7::alarm_message(&texted).identifier(),
              "#:message.most_critical_active_alarm[Tank 3\\: level low]");
}

TEST(alarm_counts, the_total_is_the_devices_count_even_when_it_sent_fewer) {
    s7web::alarms_browse_result alarms;
    alarms.count_current = 12;
    alarms.entries = {alarm(1, "t")};
    EXPECT_EQ(s7::count_alarms(alarms).total, 12);
}

module_node node(std::int32_t hwid, const std::string& name, const std::string& type,
                 std::optional<std::int32_t> parent = std::nullopt,
                 std::optional<std::int32_t> browsed = std::nullopt) {
    module_node n;
    n.hwid = hwid;
    n.name = name;
    n.type = type;
    n.parent_hwid = parent;
    n.browsed_hwid = browsed;
    return n;
}

TEST(module_alarm_states, highest_state_per_hardware_id_and_per_name) {
    using state = s7::module_alarm_state;
    const std::vector<module_node> nodes{
        node(1, "Station", "device"), node(10, "DI 16", "module"),        node(11, "DI 16", "module"),
        node(12, "AQ 4", "module"),   node(13, "Channel 0", "submodule"), node(14, "Drive", "device"),
        node(15, "Valve", "module"),
    };
    const std::vector<alarm_entry> alarms{
        alarm(1, "t", true, false, 10),   // acknowledged
        alarm(2, "t", false, true, 11),   // gone, never acknowledged
        alarm(3, "t", false, false, 14),  // gone and acknowledged
        alarm(4, "t", true, false, 13),   // a submodule: no channel of its own
        alarm(5, "t", true, true, 15),   alarm(6, "t", true, false, 15),
        alarm(7, "t", true, true),  // no module
    };
    const std::map<std::string, state> expected{{"AQ 4", state::inactive},
                                                {"DI 16", state::active_unacknowledged},
                                                {"Drive", state::inactive},
                                                {"Station", state::inactive},
                                                {"Valve", state::active_unacknowledged}};
    EXPECT_EQ(s7::module_alarm_states(alarms, nodes), expected);
}

TEST(hardware_status, ancestors_follow_parents_then_browsed_nodes_and_stop_at_loops_and_gaps) {
    // 1 holds 2 in its answer; 3 was browsed under 2; 4 under 3; 9's parent 99 was never collected;
    // 20 and 21 claim each other.
    const std::vector<module_node> nodes{
        node(1, "a", "device"),       node(2, "b", "device", 1),  node(3, "c", "device", std::nullopt, 2),
        node(4, "d", "module", 3, 2), node(9, "e", "module", 99), node(20, "f", "device", 21),
        node(21, "g", "device", 20)};
    const s7::hardware_tree tree(nodes);
    using set = std::unordered_set<std::int32_t>;
    EXPECT_EQ(tree.ancestors_of({4}), (set{3, 2, 1}));
    EXPECT_EQ(tree.ancestors_of({1}), set{});
    EXPECT_EQ(tree.ancestors_of({9}), set{});
    EXPECT_EQ(tree.ancestors_of({20}), set{21});
    EXPECT_EQ(tree.ancestors_of({3, 9, 77}), (set{2, 1}));
}

TEST(hardware_status, value_is_the_worse_of_both_and_unknown_texts_are_no_value) {
    // A container's own status alone shows end to end.
    EXPECT_EQ(s7::hardware_status_value({"good", "error"}, false), 6);
    EXPECT_EQ(s7::hardware_status_value({"no_value", "maintenance_required"}, false), 3);
    EXPECT_EQ(s7::hardware_status_value({"", ""}, false), 0);
    EXPECT_EQ(s7::hardware_status_value({"Good", "bogus"}, false), 0);
}

TEST(hardware_status, a_fault_inside_a_faulty_device_counts_once) {
    // Station 1 holds device 2, which holds modules 3 and 4; device 5 stands alone.
    const std::vector<module_node> nodes{node(1, "a", "device"), node(2, "b", "device", 1),
                                         node(3, "c", "module", 2), node(4, "d", "module", 2),
                                         node(5, "e", "device")};
    const s7::hardware_tree tree(nodes);
    EXPECT_EQ(s7::count_faults({1, 2, 3, 4}, tree), 2u);
    EXPECT_EQ(s7::count_faults({2, 5}, tree), 2u);
}

TEST(plc_mode_lookups, unknown_texts_are_zero_and_the_shown_mode_keeps_them) {
    // The known texts are the lookups' own table, shown end to end.
    EXPECT_EQ(s7::operating_mode_value("RUN"), 0);
    EXPECT_EQ(s7::operating_mode_value(""), 0);
    EXPECT_EQ(s7::mode_selector_value("mres"), 0);
    EXPECT_EQ(s7::displayed_operating_mode("defect_state2"), "DEFECT STATE2");
}

TEST(persisted_values, channel_ids_and_web_time_stamps_of_the_wrong_shape_are_ignored_and_logged) {
    struct id_row {
        std::optional<std::string> text;
        std::optional<int> id;
    };
    const id_row ids[] = {{std::nullopt, std::nullopt}, {"2147483646", 2147483646},
                          {"4", std::nullopt},          {"2147483647", std::nullopt},
                          {"5x", std::nullopt},         {"99999999999999999999", std::nullopt}};
    for (const id_row& r : ids) {
        SCOPED_TRACE(r.text.value_or("(absent)"));
        recording_log log;
        EXPECT_EQ(s7::persisted_channel_id("next_channel_id", r.text, 5, log), r.id);
        EXPECT_EQ(log.lines.size(), r.text && !r.id ? 1u : 0u);
    }
    recording_log log;
    EXPECT_EQ(s7::persisted_web_time_stamp("most_recent_event_ts", "2023-06-07T18:25:43+02:00", log),
              "2023-06-07T18:25:43+02:00");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_EQ(s7::persisted_web_time_stamp("most_recent_event_ts", "2023-06-07 <script>", log), std::nullopt);
    EXPECT_EQ(s7::persisted_web_time_stamp("most_recent_event_ts", std::string(65, '1'), log), std::nullopt);
    ASSERT_EQ(log.lines.size(), 2u);
    EXPECT_EQ(
        log.lines[0],
        "4 Ignoring persistent value \"most_recent_event_ts\" (\"2023-06-07 <script>\"): not a time stamp. "
        "Continuing as if it were absent.");
}

}  // namespace
