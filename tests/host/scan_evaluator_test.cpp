// Scan results read with the channels the host holds: names, values, states and the exit status.

#include "host/cli/scan_evaluator.hpp"

#include <gtest/gtest.h>

#include "tests/host/canned_descriptor.hpp"

namespace {

using namespace korvel::probekit::host;

json channel_message(int id, const std::string& identifier, const std::string& text, int unit,
                     const std::string& lookup, bool limit_mode, const std::string& limits) {
    return {{"type", "dynamic_channel"},
            {"sensor_id", 1},
            {"channel",
             {{"id", id},
              {"name", {{"id", identifier}, {"text", text}}},
              {"kind", lookup.empty() ? 3 : 1},
              {"unit", unit},
              {"lookup", lookup},
              {"limit_mode", limit_mode},
              {"limits", json::parse(limits)},
              {"factor", 1.0},
              {"custom_unit", ""},
              {"value_prefix", ""},
              {"value_suffix", ""}}}};
}

sensor_record canned_sensor() {
    sensor_record sensor;
    sensor.apply(channel_message(0, "#:channel.cpu_status[]", "CPU Status", 0, "cpu_status", false,
                                 "[null,null,null,null]"));
    sensor.apply(
        channel_message(1, "#:channel.cycle_ratio[]", "Cycle Ratio", 5, "", true, "[80.0,null,70.0,100.0]"));
    sensor.apply(channel_message(2, "#:channel.hardware_device[PN-IO]", "PN-IO Status", 10, "", true,
                                 "[null,0,null,1]"));
    return sensor;
}

json scan_result(int response_code, const json& channels) {
    return {{"type", "scan_result"},
            {"sensor_id", 1},
            {"response_code", response_code},
            {"error_code", 0},
            {"message", {{"id", "#:message.operating_mode[RUN]"}, {"text", "Operating mode: RUN"}}},
            {"channels", channels}};
}

class scan_evaluator_test : public ::testing::Test {
protected:
    json descriptor = korvel::probekit::host::test_support::canned_descriptor();
    translator german{descriptor, "German"};
    sensor_record sensor = canned_sensor();
};

TEST_F(scan_evaluator_test, shows_translated_names_values_with_units_and_lookup_texts) {
    scan_evaluator evaluator(descriptor, german);
    const auto summary = evaluator.evaluate(
        scan_result(0, json::parse(R"([{"id": 0, "kind": 1, "value": 8}, {"id": 1, "kind": 3, "value": 42.5},
                                       {"id": 2, "kind": 1, "value": 0}, {"id": 7, "kind": 1, "value": 3},
                                       {"id": 1, "kind": 3, "value": null}])")),
        sensor);
    EXPECT_FALSE(summary.failed);
    EXPECT_EQ(summary.message, "Betriebszustand: RUN");
    ASSERT_EQ(summary.channels.size(), 5u);
    struct expected_row {
        std::string name, value;
        std::optional<severity> state;
    };
    const std::vector<expected_row> expected{
        {"CPU-Status", "RUN (solo mode) (8)", severity::ok},  // lookup text only in English
        {"Cycle Ratio", "42.5 %", severity::ok},              // German lacks the key: English text
        {"Status PN-IO", "0 #", severity::ok},
        {"Channel 7", "3", std::nullopt},  // a channel the host does not hold
        {"Cycle Ratio", "no value", std::nullopt},
    };
    for (std::size_t index = 0; index < expected.size(); ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(summary.channels[index].name, expected[index].name);
        EXPECT_EQ(summary.channels[index].value, expected[index].value);
        EXPECT_EQ(summary.channels[index].state, expected[index].state);
    }
}

TEST_F(scan_evaluator_test, keeps_the_hysteresis_of_each_channel_from_scan_to_scan) {
    scan_evaluator evaluator(descriptor, german);
    const std::vector<std::pair<double, severity>> ratios{
        {85, severity::warning}, {75, severity::warning}, {65, severity::ok}, {75, severity::ok}};
    for (const auto& [ratio, expected] : ratios) {
        SCOPED_TRACE(ratio);
        const auto summary =
            evaluator.evaluate(scan_result(0, {{{"id", 1}, {"kind", 3}, {"value", ratio}}}), sensor);
        EXPECT_EQ(summary.state, expected);
    }
}

TEST_F(scan_evaluator_test, exit_status_follows_the_worst_state_of_the_result) {
    struct case_ {
        std::string name;
        json result;
        int exit;
    };
    const auto with = [](int code, int cpu_status) {
        return scan_result(code, {{{"id", 0}, {"kind", 1}, {"value", cpu_status}}});
    };
    const std::vector<case_> cases{
        {"ok with a running cpu", with(0, 8), 0},
        {"a neutral lookup entry changes nothing", with(0, 0), 0},
        {"a lookup value outside the lookup changes nothing", with(0, 99), 0},
        {"lookup warning", with(0, 4), 1},
        {"lookup error", with(0, 13), 2},
        {"the module's warning", with(1, 8), 1},
        {"the module's error", with(3, 8), 2},
        {"unknown outranks a warning", with(2, 4), 3},
        {"an error outranks unknown", with(2, 13), 2},
        {"an unexpected response code is unknown", with(9, 8), 3},
        {"limit error", scan_result(0, {{{"id", 2}, {"kind", 1}, {"value", 1}}}), 2},
        {"error result",
         {{"type", "error_result"},
          {"sensor_id", 1},
          {"response_code", 3},
          {"message", {{"id", "#:message.operating_mode[STOP]"}, {"text", "Operating mode: STOP"}}}},
         2},
    };
    for (const auto& [name, result, exit] : cases) {
        SCOPED_TRACE(name);
        scan_evaluator evaluator(descriptor, german);
        EXPECT_EQ(exit_status(evaluator.evaluate(result, sensor).state), exit);
    }
}

TEST_F(scan_evaluator_test, error_result_shows_its_translated_message_and_no_values) {
    scan_evaluator evaluator(descriptor, german);
    const auto summary = evaluator.evaluate(
        {{"type", "error_result"},
         {"sensor_id", 1},
         {"response_code", 3},
         {"message", {{"id", "#:message.operating_mode[STOP]"}, {"text", "Operating mode: STOP"}}}},
        sensor);
    EXPECT_TRUE(summary.failed);
    EXPECT_EQ(summary.message, "Betriebszustand: STOP");
    EXPECT_TRUE(summary.channels.empty());
}

}  // namespace
