// The S7-1200/1500 CPU status sensor over canned Web API answers: modes, runtime information,
// cycle-time events across scans, redundancy detected once, firmware without the optional methods,
// and the errors of the mode reads.

#include <gtest/gtest.h>

#include <cstdio>

#include "tests/s7web_sensors/canned_device.hpp"

namespace {

using s7web_sensors_test::error_answer;
using s7web_sensors_test::json;

constexpr const char* cpu_status_kind = "simatic_s7_1200_1500_cpu_status_sensor";

json diagnostic_entry(const std::string& timestamp, std::int64_t text_id) {
    return {{"timestamp", timestamp},
            {"status", "incoming"},
            {"event", {{"textlist_id", 2}, {"text_id", text_id}}}};
}

// One controller as the canned device shows it; a redundant pair refuses mode reads without an id.
struct controller {
    bool redundant = false;
    std::string modes[2] = {"run", "run"};
    std::string selectors[2] = {"stop", "no_switch"};
    json runtime = {
        {"result",
         {{"cycle_time",
           {{"actual", {{"current", "PT0.005S"}, {"shortest", "PT0.001S"}, {"longest", "PT1.5S"}}}}},
          {"load",
           {{"actual",
             {{"program_load_cyclic_program_obs_percentage", 30},
              {"program_load_high_priority_obs_percentage", 2.5},
              {"current_communication_load_percentage", 10}}},
            {"configured", {{"max_communication_load_percentage", 40}}}}}}}};
    json diagnostic_buffer = {{"result",
                               {{"entries",
                                 {diagnostic_entry("2024-05-01T10:00:00.000000001Z", 0x4302),
                                  diagnostic_entry("2024-05-01T09:00:00Z", 0x3501)}}}}};

    json operating_mode_answer = nullptr;  // when set, the answer to every operating mode read

    json answer(const json& call) const {
        const std::string method = call.at("method");
        if (method == "Plc.ReadOperatingMode" && !operating_mode_answer.is_null())
            return operating_mode_answer;
        const bool with_id = call.contains("params") && call.at("params").contains("redundancy_id");
        const int cpu = with_id ? call.at("params").at("redundancy_id").get<int>() - 1 : 0;
        if (method == "Plc.ReadOperatingMode" || method == "Plc.ReadModeSelectorState") {
            if (redundant != with_id) return error_answer(-32602);
            if (method == "Plc.ReadOperatingMode") return {{"result", modes[cpu]}};
            return {{"result", {{"mode_selector", selectors[cpu]}}}};
        }
        if (method == "Plc.ReadRuntimeInformation") return runtime;
        if (method == "DiagnosticBuffer.Browse") return diagnostic_buffer;
        return error_answer(-32601);
    }
};

class cpu_status_sensor_test : public s7web_sensors_test::s7web_sensor_fixture {
protected:
    controller plc;

    void SetUp() override {
        s7web_sensor_fixture::SetUp();
        device->answer = [this](const json& call) { return plc.answer(call); };
    }
};

TEST_F(cpu_status_sensor_test, reports_modes_cycle_times_loads_and_a_new_overrun) {
    create_sensor(1, cpu_status_kind);
    EXPECT_EQ(announced(), (std::map<int, std::string>{
                               {0, "Operating Mode"}, {1, "Mode Selector"}, {2, "Cycle Time Events"}}));
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(result.at("message").at("text"), "Operating mode: RUN");
    EXPECT_EQ(
        values(result),
        (std::map<int, json>{
            {0, 1}, {1, 2}, {2, 2}, {3, 5}, {4, 1}, {5, 1500}, {6, 30.0}, {7, 2.5}, {8, 10.0}, {9, 25.0}}));
    EXPECT_EQ(announced().size(), 7u) << "channels 3 to 9";
    EXPECT_EQ(
        persisted(),
        (std::map<std::string, std::string>{{"most_recent_event_ts", "2024-05-01T10:00:00.000000001Z"}}));
    EXPECT_EQ(
        device->request_ids(),
        (std::vector<std::vector<std::string>>{{"Plc.ReadOperatingMode", "Plc.ReadModeSelectorState",
                                                "Plc.ReadRuntimeInformation", "DiagnosticBuffer.Browse"}}));
    for (const auto& line : {"Querying PLC status", "  Operating mode: run"})
        EXPECT_TRUE(logged(line)) << line;

    // The overrun was seen; the channels are known to the host now.
    const json second = scan(1);
    EXPECT_EQ(values(second)[2], 1);
    EXPECT_TRUE(announced().empty());
    EXPECT_TRUE(persisted().empty()) << "an unchanged time stamp is not sent again";
}

TEST_F(cpu_status_sensor_test, a_redundant_pair_is_detected_once_and_asked_by_redundancy_id_from_then_on) {
    plc.redundant = true;
    plc.modes[0] = "run_redundant";
    plc.modes[1] = "syncup";
    create_sensor(1, cpu_status_kind);
    // The values of both CPUs and the message are the end-to-end test's; here the names and the requests.
    const json first = scan(1);
    ASSERT_EQ(first.at("type"), "scan_result") << first.dump();
    EXPECT_EQ(first.at("message").at("id"), "#:message.operating_mode[RUN REDUNDANT]");
    EXPECT_EQ(announced().at(10), "Operating Mode (R2)");
    EXPECT_EQ(announced().at(11), "Mode Selector (R2)");
    EXPECT_TRUE(logged("Detected redundancy, retrying"));

    const std::vector<std::string> redundant_form{
        "Plc.ReadOperatingMode.1",     "Plc.ReadOperatingMode.2",    "Plc.ReadModeSelectorState.1",
        "Plc.ReadModeSelectorState.2", "Plc.ReadRuntimeInformation", "DiagnosticBuffer.Browse"};
    auto ids = device->request_ids();
    ASSERT_EQ(ids.size(), 2u) << "one resend in the same scan";
    EXPECT_EQ(ids[1], redundant_form);

    device->batches.clear();
    const json second = scan(1);
    EXPECT_EQ(values(second).at(10), 7);
    EXPECT_EQ(device->request_ids(), std::vector<std::vector<std::string>>{redundant_form});
    EXPECT_FALSE(logged("Detected redundancy, retrying"));
}

TEST_F(cpu_status_sensor_test, firmware_without_runtime_information_or_diagnostic_buffer_reports_the_rest) {
    plc.runtime = error_answer(-32601);
    plc.diagnostic_buffer = error_answer(-32601);
    create_sensor(1, cpu_status_kind);
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(values(result), (std::map<int, json>{{0, 1}, {1, 2}}));
    EXPECT_TRUE(announced().empty());
    EXPECT_TRUE(persisted().empty());
}

TEST_F(cpu_status_sensor_test, no_configured_communication_maximum_gives_a_ratio_of_zero) {
    plc.runtime["result"]["load"]["configured"]["max_communication_load_percentage"] = 0;
    create_sensor(1, cpu_status_kind);
    EXPECT_EQ(values(scan(1)).at(9), 0.0);
}

TEST_F(cpu_status_sensor_test, an_unknown_mode_text_is_value_zero_yet_shown_in_the_message) {
    plc.modes[0] = "defect_state";
    create_sensor(1, cpu_status_kind);
    const json result = scan(1);
    EXPECT_EQ(values(result).at(0), 0);
    EXPECT_EQ(result.at("message").at("text"), "Operating mode: DEFECT STATE");
}

TEST_F(cpu_status_sensor_test, lost_track_after_a_full_buffer_of_newer_events) {
    create_sensor(1, cpu_status_kind, {{"most_recent_event_ts", "2024-04-01T00:00:00Z"}});
    json entries = json::array();
    for (int i = 0; i < 100; ++i) {
        char timestamp[32];
        std::snprintf(timestamp, sizeof timestamp, "2024-05-01T10:%02d:%02dZ", i / 60, i % 60);
        entries.push_back(diagnostic_entry(timestamp, 0x4302));
    }
    plc.diagnostic_buffer = {{"result", {{"entries", entries}}}};
    EXPECT_EQ(values(scan(1)).at(2), 3);
    entries.erase(entries.begin());
    plc.diagnostic_buffer = {{"result", {{"entries", entries}}}};
    EXPECT_EQ(values(scan(1)).at(2), 1) << "99 entries hold everything since the last scan";
}

TEST_F(cpu_status_sensor_test, failed_reads_end_the_scan_with_their_error) {
    struct row {
        const char* name;
        std::function<void(controller&)> change;
        const char* text;
    };
    const row rows[] = {
        {"operating mode failed", [](controller& c) { c.operating_mode_answer = error_answer(-32000); },
         "An internal error occurred while reading the operating mode."},
        {"redundancy id refused",
         [](controller& c) {
             c.redundant = true;
             c.operating_mode_answer = error_answer(-32602);
         },
         "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type."},
        {"runtime information failed", [](controller& c) { c.runtime = error_answer(-32000); },
         "An unexpected error occurred while communicating with the S7 Web API."},
        {"diagnostic buffer failed", [](controller& c) { c.diagnostic_buffer = error_answer(-32602); },
         "An unexpected error occurred while communicating with the S7 Web API."},
        {"cycle time no duration",
         [](controller& c) { c.runtime["result"]["cycle_time"]["actual"]["current"] = "PT1.S"; },
         "Invalid ISO 8601 duration format:PT1.S"},
    };
    int id = 1;
    for (const row& r : rows) {
        SCOPED_TRACE(r.name);
        plc = controller{};
        r.change(plc);
        create_sensor(id, cpu_status_kind);
        const json result = scan(id++);
        ASSERT_EQ(result.at("type"), "error_result");
        EXPECT_EQ(result.at("message").at("text"), r.text);
        EXPECT_EQ(result.at("response_code"), 3);
    }
}

}  // namespace
