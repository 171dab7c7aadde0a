// The S7-1200/1500 alarm status sensor over canned Web API answers: counts, the message, one channel
// per module name with ids kept in persistent data across restarts, a failed module browse that
// leaves the alarms reported, the depth bound, and the errors of the alarm read.

#include <gtest/gtest.h>

#include "tests/s7web_sensors/canned_device.hpp"

namespace {

using s7web_sensors_test::error_answer;
using s7web_sensors_test::json;

constexpr const char* alarm_kind = "simatic_s7_1200_1500_alarm_status_sensor";

json browsed_alarm(std::int64_t number, const std::string& timestamp, const std::string& producer,
                   bool acknowledged, json hwid = nullptr, const std::string& text = "") {
    json entry{{"alarm_number", number},
               {"timestamp", timestamp},
               {"producer", producer},
               {"status", "incoming"},
               {"alarm_text", text},
               {"acknowledgement", {{"state", acknowledged ? "acknowledged" : "not_acknowledged"}}}};
    if (!hwid.is_null()) entry["hwid"] = hwid;
    return entry;
}

json module(int hwid, const std::string& name, const std::string& type = "module") {
    return {{"hwid", hwid}, {"name", name}, {"type", type}};
}

class alarm_status_sensor_test : public s7web_sensors_test::s7web_sensor_fixture {
protected:
    json alarms = {{"result", {{"entries", json::array()}, {"count_current", 0}}}};
    // The nodes each browse lists, by the browsed hardware id ("root" for the root).
    std::map<std::string, json> browses = {
        {"root", json::array({{{"hwid", 64},
                               {"name", "PLC_1"},
                               {"type", "device"},
                               {"children",
                                {module(49, "CPU 1516"), module(257, "DI 32"), module(258, "AQ 8"),
                                 module(300, "Port 1", "submodule")}}}})}};
    json browse_error = nullptr;

    void SetUp() override {
        s7web_sensor_fixture::SetUp();
        device->answer = [this](const json& call) -> json {
            if (call.at("method") == "Alarms.Browse") return alarms;
            if (call.at("method") != "Modules.Browse") return error_answer(-32601);
            if (!browse_error.is_null()) return browse_error;
            const auto& params = call.at("params");
            const std::string browsed =
                params.contains("hwid") ? std::to_string(params.at("hwid").get<int>()) : "root";
            return {{"result", {{"nodes", browses.count(browsed) ? browses.at(browsed) : json::array()}}}};
        };
    }
};

TEST_F(alarm_status_sensor_test, no_alarms_every_module_inactive_and_first_ids_from_five_in_name_order) {
    alarms["result"]["count_current"] = 0;
    create_sensor(1, alarm_kind);
    EXPECT_EQ(announced().size(), 5u);
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(result.at("message").at("text"), "No active alarms");
    // AQ 8, CPU 1516, DI 32, PLC_1 in name order; the submodule gets no channel.
    EXPECT_EQ(values(result),
              (std::map<int, json>{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 1}, {6, 1}, {7, 1}, {8, 1}}));
    EXPECT_EQ(announced(), (std::map<int, std::string>{{5, "AQ 8 Alarm Status"},
                                                       {6, "CPU 1516 Alarm Status"},
                                                       {7, "DI 32 Alarm Status"},
                                                       {8, "PLC_1 Alarm Status"}}));
    EXPECT_EQ(
        persisted(),
        (std::map<std::string, std::string>{
            {"AQ 8", "5"}, {"CPU 1516", "6"}, {"DI 32", "7"}, {"PLC_1", "8"}, {"next_channel_id", "9"}}));
    EXPECT_TRUE(logged("Querying active alarms and hardware modules"));
    EXPECT_TRUE(logged("Found 0 active alarm(s), 0 of them unacknowledged"));
}

TEST_F(alarm_status_sensor_test, two_modules_get_five_and_six_and_keep_them_across_a_restart) {
    browses["root"] = json::array({module(10, "Pump"), module(11, "Fan")});
    create_sensor(1, alarm_kind);
    scan(1);
    const auto stored = persisted();
    EXPECT_EQ(stored,
              (std::map<std::string, std::string>{{"Fan", "5"}, {"Pump", "6"}, {"next_channel_id", "7"}}));
    dispatcher->destroy_sensor_instance(1);

    // The host hands the values back to the next instance; a new module gets the next free id.
    json persistent(stored);
    browses["root"] = json::array({module(10, "Pump"), module(11, "Fan"), module(12, "Boiler")});
    create_sensor(1, alarm_kind, persistent);
    const auto found = values(scan(1));
    for (const int id : {5, 6, 7}) EXPECT_EQ(found.at(id), 1) << id;
    EXPECT_EQ(persisted(), (std::map<std::string, std::string>{{"Boiler", "7"}, {"next_channel_id", "8"}}));
}

TEST_F(alarm_status_sensor_test, counts_states_and_the_most_critical_alarm) {
    alarms = {{"result",
               {{"count_current", 7},
                {"entries",
                 {browsed_alarm(1, "2024-05-01T10:00:00Z", "program_alarm", true, 257, "Tank full"),
                  browsed_alarm(2, "2024-05-01T09:00:00Z", "system_diagnostics", false, 258, "Wire break"),
                  browsed_alarm(3, "2024-05-01T11:00:00Z", "", true, nullptr, "Newest")}}}}};
    alarms["result"]["entries"][2]["origin"] = "system_diagnostics";
    create_sensor(1, alarm_kind);
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(result.at("message").at("text"), "Active Alarm: Wire break") << "unacknowledged before newer";
    EXPECT_EQ(values(result),
              (std::map<int, json>{{0, 1}, {1, 7}, {2, 1}, {3, 2}, {4, 0}, {5, 3}, {6, 1}, {7, 2}, {8, 1}}));
    EXPECT_TRUE(logged("Found 7 active alarm(s), 1 of them unacknowledged"));
}

TEST_F(alarm_status_sensor_test, modules_sharing_a_name_share_one_channel_with_the_higher_state) {
    browses["root"] = json::array({module(10, "Valve"), module(11, "Valve")});
    alarms = {{"result",
               {{"count_current", 2},
                {"entries",
                 {browsed_alarm(1, "t1", "program_alarm", true, 10),
                  browsed_alarm(2, "t2", "program_alarm", false, 11, "")}}}}};
    create_sensor(1, alarm_kind);
    const json result = scan(1);
    EXPECT_EQ(result.at("message").at("text"), "Active Alarm: Alarm Number 2");
    EXPECT_EQ(values(result).at(5), 3);
    EXPECT_EQ(announced(), (std::map<int, std::string>{{5, "Valve Alarm Status"}}));
}

TEST_F(alarm_status_sensor_test, a_failed_module_browse_leaves_the_alarms_reported) {
    alarms["result"] = {{"count_current", 1},
                        {"entries", {browsed_alarm(1, "t", "program_alarm", true, 64, "Door open")}}};
    browse_error = error_answer(-32601);
    create_sensor(1, alarm_kind);
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(result.at("message").at("text"), "Active Alarm: Door open");
    EXPECT_EQ(values(result), (std::map<int, json>{{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, 0}}));
    EXPECT_TRUE(
        logged("No per-module alarm channels, browsing the modules failed: This PLC does not support "
               "hardware module monitoring. This function requires firmware version 4.1 or later and is not "
               "available on all CPU types, such as redundant S7-1500 R/H systems."));
}

TEST_F(alarm_status_sensor_test, nodes_below_the_depth_bound_get_no_channel) {
    // Devices 1 to 9 in a chain, each announcing the next without sending it.
    for (int level = 1; level <= 9; ++level) {
        const std::string browsed = level == 1 ? "root" : std::to_string(level - 1);
        browses[browsed] = json::array({{{"hwid", level},
                                         {"name", "Device " + std::to_string(level)},
                                         {"type", "device"},
                                         {"has_children", true}}});
    }
    create_sensor(1, alarm_kind);
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(announced().size(), 8u) << "devices 1 to 8";
    EXPECT_EQ(device->request_ids().size(), 8u) << "the first batch and seven further passes";
    EXPECT_TRUE(logged("Reached maximum tree depth; 1 node(s) below this level get no alarm channel"));
}

TEST_F(alarm_status_sensor_test, alarm_read_failures_end_the_scan) {
    struct row {
        const char* name;
        json answer;
        const char* text;
    };
    const row rows[] = {
        {"alarm read failed", error_answer(-32602), "An internal error occurred when reading the alarms."},
        {"no alarm answer", nullptr, "An unexpected error occurred while communicating with the S7 Web API."},
    };
    int id = 1;
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        alarms = r.answer;
        create_sensor(id, alarm_kind);
        const json result = scan(id++);
        ASSERT_EQ(result.at("type"), "error_result");
        EXPECT_EQ(result.at("message").at("text"), r.text);
    }
    EXPECT_TRUE(logged("The batch response contained no Alarms.Browse result"));
}

TEST_F(alarm_status_sensor_test, an_unusable_stored_channel_id_is_ignored_and_a_fresh_one_handed_out) {
    browses["root"] = json::array({module(10, "Pump")});
    create_sensor(1, alarm_kind, {{"Pump", "five"}, {"next_channel_id", "9"}});
    const json result = scan(1);
    EXPECT_EQ(values(result).at(9), 1);
    EXPECT_EQ(persisted(), (std::map<std::string, std::string>{{"Pump", "9"}, {"next_channel_id", "10"}}));
    EXPECT_TRUE(logged(
        "Ignoring persistent value \"Pump\" (\"five\"): not a count. Continuing as if it were absent."));
}

}  // namespace
