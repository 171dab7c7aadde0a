// The S7-1200/1500 hardware status sensor over canned Web API answers: which nodes are monitored,
// containers against leaves, the fault count, unreadable statuses, and ids from 1 kept by hardware id.
// A firmware that cannot browse modules is the end-to-end test's.

#include <gtest/gtest.h>

#include <set>

#include "tests/s7web_sensors/canned_device.hpp"

namespace {

using s7web_sensors_test::error_answer;
using s7web_sensors_test::json;

constexpr const char* hardware_status_kind = "simatic_s7_1200_1500_hardware_status_sensor";

json browsed_node(int hwid, const std::string& name, const std::string& type, const std::string& subtype = "",
                  json children = nullptr) {
    json element{{"hwid", hwid}, {"name", name}, {"type", type}, {"subtype", subtype}};
    if (!children.is_null()) element["children"] = std::move(children);
    return element;
}

class hardware_status_sensor_test : public s7web_sensors_test::s7web_sensor_fixture {
protected:
    // The station 64 holds the CPU and two modules; the IO device 100 is announced and browsed on
    // its own, holding module 101 and device 102 with module 103.
    std::map<std::string, json> browses = {
        {"root",
         json::array({browsed_node(64, "S7-1500 station", "device", "central_device",
                                   {browsed_node(49, "CPU 1516", "module", "cpu"),
                                    browsed_node(257, "DI 32", "module", "io",
                                                 {browsed_node(300, "Ch 0", "submodule")}),
                                    browsed_node(258, "AQ 8", "module", "io")}),
                      {{"hwid", 100}, {"name", "ET 200SP"}, {"type", "device"}, {"has_children", true}}})},
        {"100", json::array({browsed_node(101, "DQ 16", "module", "io"),
                             browsed_node(102, "Drive", "device", "",
                                          {browsed_node(103, "Motor module", "module")})})}};
    std::map<int, json> statuses;  // by hardware id; absent: good/good
    std::set<int> unanswered;

    void SetUp() override {
        s7web_sensor_fixture::SetUp();
        device->answer = [this](const json& call) -> json {
            const auto& params = call.at("params");
            if (call.at("method") == "Modules.Browse") {
                const std::string browsed =
                    params.contains("hwid") ? std::to_string(params.at("hwid").get<int>()) : "root";
                return {
                    {"result", {{"nodes", browses.count(browsed) ? browses.at(browsed) : json::array()}}}};
            }
            const int hwid = params.at("hwid");
            if (unanswered.count(hwid)) return nullptr;
            if (statuses.count(hwid)) return statuses.at(hwid);
            return status("good", "good");
        };
    }

    json scan_created() {
        create_sensor(1, hardware_status_kind);
        return scan(1);
    }

    static json status(const std::string& own, const std::string& subordinate) {
        return {{"result", {{"status", {{"own", own}, {"subordinate", subordinate}}}}}};
    }
};

TEST_F(hardware_status_sensor_test, every_device_and_module_but_cpus_gets_a_channel_from_one_up) {
    create_sensor(1, hardware_status_kind);
    EXPECT_TRUE(announced().empty()) << "construction registers nothing";
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(result.at("message").at("text"), "0 of 7 monitored hardware modules in a fault state");
    EXPECT_EQ(announced(), (std::map<int, std::string>{{0, "Hardware Fault Count"},
                                                       {1, "S7-1500 station Status"},
                                                       {2, "ET 200SP Status"},
                                                       {3, "DI 32 Status"},
                                                       {4, "AQ 8 Status"},
                                                       {5, "DQ 16 Status"},
                                                       {6, "Drive Status"},
                                                       {7, "Motor module Status"}}));
    EXPECT_EQ(persisted(), (std::map<std::string, std::string>{{"64", "1"},
                                                               {"100", "2"},
                                                               {"257", "3"},
                                                               {"258", "4"},
                                                               {"101", "5"},
                                                               {"102", "6"},
                                                               {"103", "7"},
                                                               {"next_channel_id", "8"}}));
    // The root, the browse of device 100, and the statuses.
    const auto ids = device->request_ids();
    ASSERT_EQ(ids.size(), 3u);
    EXPECT_EQ(ids[1], std::vector<std::string>{"Modules.Browse.100"});
    EXPECT_EQ(ids[2].front(), "Modules.ReadStatus.64");
    EXPECT_TRUE(logged("Walking hardware tree"));
    EXPECT_TRUE(logged("Found 7 monitored module(s)"));
}

TEST_F(hardware_status_sensor_test, containers_show_their_own_status_and_a_nested_fault_counts_once) {
    statuses[64] = status("good", "error");                  // a container: its own status
    statuses[257] = status("good", "maintenance_required");  // only a submodule below: the worse one
    statuses[258] = status("deactivated", "good");
    statuses[102] = status("error", "error");  // a faulty device holding a faulty module
    statuses[103] = status("not_reachable", "good");
    statuses[101] = status("unknown", "");
    const json result = scan_created();
    // Faults: DI 32, AQ 8, DQ 16 and the motor module; the drive holds the motor module's fault.
    EXPECT_EQ(values(result),
              (std::map<int, json>{{0, 4}, {1, 1}, {2, 1}, {3, 3}, {4, 2}, {5, 5}, {6, 6}, {7, 7}}));
    EXPECT_EQ(result.at("message").at("text"), "4 of 7 monitored hardware modules in a fault state");
}

TEST_F(hardware_status_sensor_test, unreadable_and_missing_statuses_report_zero_and_no_fault) {
    statuses[258] = error_answer(-32601);
    statuses[101] = status("on_fire", "");
    unanswered = {257};
    const json result = scan_created();
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(values(result),
              (std::map<int, json>{{0, 0}, {1, 1}, {2, 1}, {3, 0}, {4, 0}, {5, 0}, {6, 1}, {7, 1}}));
    EXPECT_TRUE(logged("Status unreadable for module 'AQ 8' (hwid 258); reporting as Unknown"));
    for (const auto& line : log_lines()) EXPECT_EQ(line.find("'DI 32'"), std::string::npos) << line;
}

TEST_F(hardware_status_sensor_test, no_monitored_modules_is_zero_of_zero) {
    browses = {{"root", json::array({browsed_node(64, "station", "rack", "",
                                                  {browsed_node(49, "CPU", "module", "cpu")})})}};
    const json result = scan_created();
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(values(result), (std::map<int, json>{{0, 0}}));
    EXPECT_EQ(result.at("message").at("text"), "0 of 0 monitored hardware modules in a fault state");
    EXPECT_TRUE(logged("No monitored hardware modules found"));
    EXPECT_EQ(device->request_ids().size(), 1u) << "no status batch";
}

TEST_F(hardware_status_sensor_test, ids_follow_the_hardware_id_across_a_restart_and_a_rename) {
    create_sensor(1, hardware_status_kind, {{"257", "12"}, {"next_channel_id", "20"}});
    browses["root"][0]["children"][1]["name"] = "DI 32 renamed";
    const json result = scan(1);
    EXPECT_EQ(announced().at(12), "DI 32 renamed Status");
    EXPECT_EQ(persisted().at("64"), "20");
    EXPECT_EQ(persisted().at("next_channel_id"), "26");
    EXPECT_EQ(persisted().count("257"), 0u);
}

}  // namespace
