// The three S7-1200/1500 sensors end to end: the module library through its exports, against the
// Web API simulator over HTTPS on 127.0.0.1, one scenario per kind of controller.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "host/harness/module_library.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::load_scenario_file;
using korvel::probekit::simulators::s7web_api_simulator;
using json = nlohmann::json;

constexpr int cpu_status = 1;
constexpr int alarm_status = 2;
constexpr int hardware_status = 3;

class s7web_end_to_end_test : public ::testing::Test {
protected:
    // Declared before the module so it is destroyed after it: the module's kept-alive connections
    // would otherwise hold up the server's shutdown.
    std::unique_ptr<s7web_api_simulator> plc;
    std::unique_ptr<module_library> module = std::make_unique<module_library>(MODULE_PATH);

    void start(const std::string& scenario) {
        plc = std::make_unique<s7web_api_simulator>(
            load_scenario_file(std::string(SCENARIOS_DIR) + "/" + scenario));
        ASSERT_EQ(module->initialize(), 0);
        const std::pair<int, const char*> sensors[] = {
            {cpu_status, "simatic_s7_1200_1500_cpu_status_sensor"},
            {alarm_status, "simatic_s7_1200_1500_alarm_status_sensor"},
            {hardware_status, "simatic_s7_1200_1500_hardware_status_sensor"}};
        for (const auto& [id, kind] : sensors)
            ASSERT_EQ(module->create_sensor(id, block(kind).dump()), 0) << kind;
    }

    json block(const std::string& kind) const {
        return {{"kind", kind},
                {"settings",
                 {{"host", "127.0.0.1"},
                  {"timeout", "20"},
                  {"s7web_credentials_section.username", "diag"},
                  {"s7web_credentials_section.password", "Diag.Pass+1"},
                  {"s7web_credentials_section.port", std::to_string(plc->port())},
                  {"shared_http_validation_section.certificate_validation", "none"}}},
                {"secure_settings", {"s7web_credentials_section.password"}},
                {"channels", json::object()},
                {"persistent_data", json::object()}};
    }

    // The scan's one result.
    json scan(int id) {
        module->take_messages();
        EXPECT_EQ(module->scan(id), 0);
        json result;
        for (const auto& text : module->take_messages()) {
            auto message = json::parse(text);
            if (message.at("type") == "scan_result" || message.at("type") == "error_result") {
                EXPECT_TRUE(result.is_null()) << "one result per scan";
                result = std::move(message);
            }
        }
        return result;
    }

    static std::map<int, json> values(const json& result) {
        std::map<int, json> found;
        for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
        return found;
    }

    static std::string text_of(const json& result) { return result.at("message").at("text"); }
};

TEST_F(s7web_end_to_end_test, standard_controller) {
    start("s7_1500_standard.json");
    const json cpu = scan(cpu_status);
    ASSERT_EQ(cpu.at("type"), "scan_result") << cpu.dump();
    EXPECT_EQ(text_of(cpu), "Operating mode: RUN");
    EXPECT_EQ(
        values(cpu),
        (std::map<int, json>{
            {0, 1}, {1, 1}, {2, 1}, {3, 0}, {4, 0}, {5, 2009}, {6, 12.0}, {7, 3.0}, {8, 1.0}, {9, 2.0}}));
    // A duration the module cannot read fails the scan with the reason.
    plc->change([](auto& scenario) { scenario.runtime.current_cycle = "PT1.S"; });
    EXPECT_EQ(text_of(scan(cpu_status)), "Invalid ISO 8601 duration format:PT1.S");

    const json alarms = scan(alarm_status);
    ASSERT_EQ(alarms.at("type"), "scan_result") << alarms.dump();
    EXPECT_EQ(text_of(alarms), "No active alarms");
    // The station and its CPU share the name PLC_1, so one channel; then the two IO modules.
    EXPECT_EQ(values(alarms),
              (std::map<int, json>{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 1}, {6, 1}, {7, 1}}));

    const json hardware = scan(hardware_status);
    ASSERT_EQ(hardware.at("type"), "scan_result") << hardware.dump();
    EXPECT_EQ(text_of(hardware), "0 of 3 monitored hardware modules in a fault state");
    EXPECT_EQ(values(hardware), (std::map<int, json>{{0, 0}, {1, 1}, {2, 1}, {3, 1}}));
    // The station holds monitored modules, so it shows its own status; ids follow the hardware id
    // through a rename.
    plc->set_module_status(32, {.own = "good", .subordinate = "error"});
    plc->change([](auto& scenario) { scenario.hardware.at(0).children.at(1).name = "DI renamed"; });
    EXPECT_EQ(values(scan(hardware_status)), (std::map<int, json>{{0, 0}, {1, 1}, {2, 1}, {3, 1}}));

    plc->change([](auto& scenario) { scenario.hardware.clear(); });
    const std::size_t before = plc->batches();
    EXPECT_EQ(text_of(scan(hardware_status)), "0 of 0 monitored hardware modules in a fault state");
    EXPECT_EQ(plc->batches(), before + 1) << "no status batch";
}

TEST_F(s7web_end_to_end_test, redundant_pair_is_detected_once_then_asked_by_redundancy_id) {
    start("s7_1500_redundant_pair.json");
    const json first = scan(cpu_status);
    ASSERT_EQ(first.at("type"), "scan_result") << first.dump();
    EXPECT_EQ(text_of(first), "Operating mode: RUN REDUNDANT");
    const auto found = values(first);
    EXPECT_EQ(found.at(0), 5);
    EXPECT_EQ(found.at(1), 1);
    EXPECT_EQ(found.at(10), 7) << "syncup";
    EXPECT_EQ(found.at(11), 3) << "no_switch";
    EXPECT_EQ(plc->batches(), 3u) << "the probe, the plain form and its resend in redundant form";

    const json second = scan(cpu_status);
    EXPECT_EQ(values(second), found);
    EXPECT_EQ(plc->batches(), 4u) << "the redundant form directly";
    const std::string body = plc->received().back().body;
    EXPECT_NE(body.find("\"Plc.ReadOperatingMode.2\""), std::string::npos) << body;
    EXPECT_EQ(body.find("\"id\":\"Plc.ReadOperatingMode\","), std::string::npos) << body;

    const json alarms = scan(alarm_status);
    ASSERT_EQ(alarms.at("type"), "scan_result") << alarms.dump();
    EXPECT_EQ(text_of(alarms), "Active Alarm: Redundancy: backup CPU syncing up");
    // PLC_R, then the CPUs PLC_R_1 (the alarm's module) and PLC_R_2.
    EXPECT_EQ(values(alarms),
              (std::map<int, json>{{0, 1}, {1, 1}, {2, 0}, {3, 1}, {4, 0}, {5, 1}, {6, 3}, {7, 1}}));

    const json hardware = scan(hardware_status);
    EXPECT_EQ(text_of(hardware), "0 of 1 monitored hardware modules in a fault state")
        << "the CPUs are not monitored";
}

TEST_F(s7web_end_to_end_test, older_firmware_reports_what_it_has) {
    start("s7_1500_older_firmware.json");
    const json cpu = scan(cpu_status);
    ASSERT_EQ(cpu.at("type"), "scan_result") << cpu.dump();
    EXPECT_EQ(text_of(cpu), "Operating mode: STOP");
    EXPECT_EQ(values(cpu), (std::map<int, json>{{0, 2}, {1, 2}, {2, 1}}))
        << "no runtime information channels";
    plc->change([](auto& scenario) { scenario.missing_methods.insert("DiagnosticBuffer.Browse"); });
    EXPECT_EQ(values(scan(cpu_status)), (std::map<int, json>{{0, 2}, {1, 2}})) << "nor cycle-time events";

    const json alarms = scan(alarm_status);
    ASSERT_EQ(alarms.at("type"), "error_result");
    EXPECT_EQ(text_of(alarms),
              "This PLC does not support alarm monitoring. This sensor requires as of firmware version 3.1 "
              "on S7-1500 "
              "CPUs and as of firmware version 4.1 on redundant S7-1500 R/H CPUs. (Alarms.Browse error -32601: the "
              "controller does not know this method)");

    const json hardware = scan(hardware_status);
    ASSERT_EQ(hardware.at("type"), "error_result");
    EXPECT_EQ(text_of(hardware),
              "This PLC does not support hardware module monitoring. This function requires firmware version "
              "4.1 or "
              "later and is not available on all CPU types, such as redundant S7-1500 R/H systems. "
              "(Modules.Browse.root error -32601: the controller does not know this method)");

    // Alarms without module browsing: reported, with no per-module channels.
    plc->change([](auto& scenario) { scenario.missing_methods.erase("Alarms.Browse"); });
    const json alarms_only = scan(alarm_status);
    ASSERT_EQ(alarms_only.at("type"), "scan_result") << alarms_only.dump();
    EXPECT_EQ(values(alarms_only).size(), 5u);
}

TEST_F(s7web_end_to_end_test, plant_with_a_deep_tree_faults_and_alarms) {
    start("plant_deep_hardware.json");
    const json cpu = scan(cpu_status);
    ASSERT_EQ(cpu.at("type"), "scan_result") << cpu.dump();
    EXPECT_EQ(values(cpu).at(2), 2) << "a cycle-time overrun in the buffer";
    EXPECT_EQ(values(cpu).at(3), 152);
    EXPECT_EQ(values(scan(cpu_status)).at(2), 1) << "seen once";
    korvel::probekit::simulators::diagnostic_entry newer;
    for (int i = 100; i < 200; ++i) {
        newer.timestamp = "2024-05-14T10:00:00." + std::to_string(i) + "Z";
        plc->add_diagnostic_entry(newer);
    }
    EXPECT_EQ(values(scan(cpu_status)).at(2), 3) << "a full browse of newer entries: lost track";

    // Every level of the tree below the root's answer is browsed in one batch.
    std::size_t before = plc->batches();
    const json alarms = scan(alarm_status);
    EXPECT_EQ(plc->batches() - before, 5u) << "the alarms with the root, then four levels";
    ASSERT_EQ(alarms.at("type"), "scan_result") << alarms.dump();
    EXPECT_EQ(text_of(alarms), "Active Alarm: Tank 3 level high");
    const auto alarm_values = values(alarms);
    EXPECT_EQ(alarm_values.at(0), 2);
    EXPECT_EQ(alarm_values.at(1), 5);
    EXPECT_EQ(alarm_values.at(2), 2);
    EXPECT_EQ(alarm_values.at(3), 2);
    EXPECT_EQ(alarm_values.at(4), 1);
    EXPECT_EQ(alarm_values.size(), 5u + 23u)
        << "one channel per device and module name; the CPU shares the station's";

    before = plc->batches();
    const json hardware = scan(hardware_status);
    EXPECT_EQ(plc->batches() - before, 6u) << "the root, four levels and the statuses";
    ASSERT_EQ(hardware.at("type"), "scan_result") << hardware.dump();
    // Line1_AI_1 (error), Drive_1_Encoder_Module (deactivated) and Line2_DI_1 (unknown); Drive_1 and
    // Line2_Station hold faults of their own modules.
    EXPECT_EQ(text_of(hardware), "3 of 23 monitored hardware modules in a fault state");
    EXPECT_EQ(values(hardware).at(0), 3);
}

}  // namespace

TEST_F(s7web_end_to_end_test, a_failing_web_server_gives_each_sensor_its_error_and_the_next_scan_recovers) {
    start("s7_1500_standard.json");
    using korvel::probekit::simulators::injected_failures;
    const std::string no_answer = "The sensor could not get a response from the server. ";
    const std::pair<injected_failures, std::string> failures[] = {
        {{.http_status = 500}, no_answer + "500 (Internal Server Error). "},
        {{.http_status = 429}, "Too many requests were sent to the remote server. (HTTP 429)"},
        {{.cut_answers = true},
         no_answer + "200 (Successful). (the connection closed before the answer was complete)"}};
    // Before the first good answer the probe would report any of these as no Web API at all.
    ASSERT_EQ(scan(cpu_status).at("type"), "scan_result");
    for (const int sensor : {cpu_status, alarm_status, hardware_status}) {
        for (const auto& [failure, text] : failures) {
            SCOPED_TRACE(text);
            plc->set_failures(failure);
            const json result = scan(sensor);
            ASSERT_EQ(result.at("type"), "error_result") << result.dump();
            EXPECT_EQ(text_of(result), text);
        }
        plc->set_failures({});
        EXPECT_EQ(scan(sensor).at("type"), "scan_result") << sensor;
    }
}
