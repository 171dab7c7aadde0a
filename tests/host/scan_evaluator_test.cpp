// Scan results read with the channels the host holds: names, values, states and the exit status.

#include "host/cli/scan_evaluator.hpp"

#include <gtest/gtest.h>

#include "tests/host/canned_descriptor.hpp"

namespace {

using namespace korvel::probekit::host;

// The host holds three channels: a lookup, a ratio with hysteresis limits, and a named count.
sensor_record canned_sensor() {
    sensor_record sensor;
    for (const auto& channel : json::parse(R"([
        {"id": 0, "name": {"id": "#:channel.cpu_status[]", "text": "CPU Status"}, "kind": 1, "unit": 0,
         "lookup": "cpu_status", "limit_mode": false, "limits": [null, null, null, null]},
        {"id": 1, "name": {"id": "#:channel.cycle_ratio[]", "text": "Cycle Ratio"}, "kind": 3, "unit": 5,
         "lookup": "", "limit_mode": true, "limits": [80.0, null, 70.0, 100.0]},
        {"id": 2, "name": {"id": "#:channel.hardware_device[PN-IO]", "text": "PN-IO Status"}, "kind": 3, "unit": 10,
         "lookup": "", "limit_mode": true, "limits": [null, 0, null, 1]}])")) {
        sensor.apply({{"type", "dynamic_channel"}, {"sensor_id", 1}, {"channel", channel}});
    }
    return sensor;
}

json scan_result(int response_code, const json& channels) {
    return {{"type", "scan_result"}, {"sensor_id", 1}, {"response_code", response_code}, {"error_code", 0},
            {"message", {{"id", "#:message.operating_mode[RUN]"}, {"text", "Operating mode: RUN"}}},
            {"channels", channels}};
}

const json error_result{{"type", "error_result"}, {"sensor_id", 1}, {"response_code", 3},
                        {"message", {{"id", "#:message.operating_mode[STOP]"}, {"text", "Operating mode: STOP"}}}};

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
    std::vector<std::tuple<std::string, std::string, std::optional<severity>>> shown;
    for (const auto& row : summary.channels) shown.emplace_back(row.name, row.value, row.state);
    EXPECT_EQ(shown, (decltype(shown){
                         {"CPU-Status", "RUN (solo mode) (8)", severity::ok},  // lookup text only in English
                         {"Cycle Ratio", "42.5 %", severity::ok},  // German lacks the key: English text
                         {"Status PN-IO", "0 #", severity::ok},
                         {"Channel 7", "3", std::nullopt},  // a channel the host does not hold
                         {"Cycle Ratio", "no value", std::nullopt},
                     }));
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
        {"error result", error_result, 2},
    };
    for (const auto& [name, result, exit] : cases) {
        SCOPED_TRACE(name);
        scan_evaluator evaluator(descriptor, german);
        EXPECT_EQ(exit_status(evaluator.evaluate(result, sensor).state), exit);
    }
}

TEST_F(scan_evaluator_test, error_result_shows_its_translated_message_and_no_values) {
    const auto summary = scan_evaluator(descriptor, german).evaluate(error_result, sensor);
    EXPECT_TRUE(summary.failed);
    EXPECT_EQ(summary.message, "Betriebszustand: STOP");
    EXPECT_TRUE(summary.channels.empty());
}

}  // namespace
