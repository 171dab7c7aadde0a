// The state of a result, decided once from the module's response code, lookup states and limits,
// and the channel values as every format shows them.

#include "host/cli/evaluation.hpp"

#include <gtest/gtest.h>

#include "tests/host/canned_descriptor.hpp"

namespace {

using namespace korvel::probekit::host;

constexpr auto ok = severity::ok;
constexpr auto warning = severity::warning;
constexpr auto error_state = severity::error;

// Each sequence is one rule of the slots; the evaluator test below walks slot 1 with its hysteresis.
TEST(limit_tracker, evaluates_each_value_in_order) {
    struct sequence {
        std::string name;
        limit_slots slots;
        std::vector<std::pair<double, severity>> steps;
    };
    const std::vector<sequence> sequences{
        {"an error does not hold slot 1's warning",
         {80.0, std::nullopt, 70.0, 100.0},
         {{100, error_state}, {75, ok}}},
        {"a warning from slot 2 does not hold either",
         {80.0, 90.0, 70.0, std::nullopt},
         {{95, warning}, {75, ok}}},
        {"slot 2 warns only above its value",
         {std::nullopt, 80.0, std::nullopt, 100.0},
         {{80, ok}, {80.5, warning}}},
        {"slot 1 without slot 3 has no hysteresis",
         {80.0, std::nullopt, std::nullopt, std::nullopt},
         {{80, warning}, {79, ok}}},
    };
    for (const auto& [name, slots, steps] : sequences) {
        SCOPED_TRACE(name);
        limit_tracker tracker(slots);
        for (const auto& [value, expected] : steps) EXPECT_EQ(tracker.evaluate(value), expected) << value;
    }
}

// The host holds three channels: a lookup, a ratio with hysteresis limits, and a named count.
sensor_record canned_sensor() {
    sensor_record sensor;
    for (const auto& channel : json::parse(R"([
        {"id": 0, "key": "channel.cpu_status", "name": {"id": "#:channel.cpu_status[]", "text": "CPU Status"},
         "kind": 1, "unit": 0, "lookup": "cpu_status", "limit_mode": false, "limits": [null, null, null, null]},
        {"id": 1, "key": "channel.cycle_ratio", "name": {"id": "#:channel.cycle_ratio[]", "text": "Cycle Ratio"},
         "kind": 3, "unit": 5, "lookup": "", "limit_mode": true, "limits": [80.0, null, 70.0, 100.0]},
        {"id": 2, "key": "channel.hardware_device", "name": {"id": "#:channel.hardware_device[PN-IO]", "text": "PN-IO Status"},
         "kind": 1, "unit": 10, "lookup": "", "limit_mode": true, "limits": [null, 0, null, 1]}])")) {
        EXPECT_TRUE(sensor.apply({{"type", "dynamic_channel"}, {"sensor_id", 1}, {"channel", channel}}));
    }
    return sensor;
}

json scan_result(int response_code, const json& channels) {
    return {{"type", "scan_result"},
            {"response_code", response_code},
            {"message", {{"id", "#:message.operating_mode[RUN]"}, {"text", "Operating mode: RUN"}}},
            {"channels", channels}};
}

json cpu_status(int value) {
    return {{"id", 0}, {"kind", 1}, {"value", value}};
}

class evaluation_test : public ::testing::Test {
protected:
    json descriptor = test_support::canned_descriptor();
    translator german{descriptor, "German"};
    sensor_record sensor = canned_sensor();
};

TEST_F(evaluation_test, channels_show_translated_names_values_units_and_lookup_texts) {
    scan_evaluator evaluator(descriptor, german);
    const auto report = evaluator.evaluate(
        {},
        scan_result(0, json::parse(R"([{"id": 0, "kind": 1, "value": 4}, {"id": 1, "kind": 3, "value": 42.5},
                                            {"id": 2, "kind": 1, "value": 0}, {"id": 7, "kind": 1, "value": 3},
                                            {"id": 1, "kind": 3, "value": null}])")),
        sensor);
    EXPECT_FALSE(report.failed);
    EXPECT_EQ(report.message, "Betriebszustand: RUN");
    using row = std::tuple<std::string, std::string, std::string, json, std::string, std::optional<severity>>;
    std::vector<row> shown;
    for (const auto& channel : report.channels)
        shown.emplace_back(channel.key, channel.name, channel.english_name, channel.value, channel.text,
                           channel.state);
    EXPECT_EQ(
        shown,
        (std::vector<row>{
            {"channel.cpu_status", "CPU-Status", "CPU Status", 4, "STOPP", warning},    // German lookup text
            {"channel.cycle_ratio", "Cycle Ratio", "Cycle Ratio", 42.5, "42.5 %", ok},  // no German name
            {"channel.hardware_device", "Status PN-IO", "PN-IO Status", 0, "0 #", ok},
            {"", "Channel 7", "Channel 7", 3, "3", std::nullopt},  // a channel the host does not hold
            {"channel.cycle_ratio", "Cycle Ratio", "Cycle Ratio", nullptr, "no value", std::nullopt},
        }));
    EXPECT_TRUE(report.channels[0].from_lookup);
    EXPECT_EQ(report.state, warning);
}

TEST_F(evaluation_test, keeps_the_hysteresis_of_each_channel_from_scan_to_scan) {
    scan_evaluator evaluator(descriptor, german);
    const std::vector<std::pair<double, severity>> ratios{{50, ok},   {80, warning}, {70, warning},
                                                          {69.9, ok}, {75, ok},      {100, error_state}};
    for (const auto& [ratio, expected] : ratios) {
        EXPECT_EQ(evaluator.evaluate({}, scan_result(0, {{{"id", 1}, {"kind", 3}, {"value", ratio}}}), sensor)
                      .state,
                  expected)
            << ratio;
    }
}

// OK, a lookup's warning or error and a failed scan are checked end to end.
TEST_F(evaluation_test, the_state_is_the_worst_of_the_response_code_lookups_and_limits) {
    const std::vector<std::tuple<std::string, json, int>> cases{
        {"a neutral lookup entry changes nothing", scan_result(0, json::array({cpu_status(0)})), 0},
        {"a value outside the lookup changes nothing", scan_result(0, json::array({cpu_status(99)})), 0},
        {"the module's error", scan_result(3, json::array({cpu_status(8)})), 2},
        {"unknown outranks a warning", scan_result(2, json::array({cpu_status(4)})), 3},
        {"an error outranks unknown", scan_result(2, json::array({cpu_status(13)})), 2},
        {"an unexpected response code is unknown", scan_result(9, json::array({cpu_status(8)})), 3},
        {"limit error", scan_result(0, json::array({{{"id", 2}, {"kind", 1}, {"value", 1}}})), 2},
        {"members of other types", {{"type", "scan_result"}, {"response_code", "0"}, {"channels", 5}}, 3},
    };
    for (const auto& [name, result, exit] : cases) {
        scan_evaluator evaluator(descriptor, german);
        EXPECT_EQ(exit_status(evaluator.evaluate({}, result, sensor).state), exit) << name;
    }
}

TEST_F(evaluation_test, w_and_c_replace_the_module_limits_they_stand_for_and_keep_the_others) {
    const auto ratio = [](double value) {
        return scan_result(0, {{{"id", 1}, {"kind", 3}, {"value", value}}});
    };
    struct sequence {
        std::string name;
        std::vector<std::string> thresholds;  // "w:..." or "c:..."
        std::vector<std::pair<double, severity>> steps;
    };
    // The module's limits: warning from 80 until below 70, error from 100.
    const std::vector<sequence> sequences{
        {"-w replaces the warning and its hysteresis, the error from 100 stays",
         {"w:cycle_ratio=50"},
         {{50, ok}, {50.5, warning}, {80, warning}, {75, warning}, {40, ok}, {100, error_state}}},
        {"-c replaces the error, the warning from 80 stays",
         {"c:Cycle Ratio=~:90"},
         {{85, warning}, {90, warning}, {90.5, error_state}, {100, error_state}}},
        {"@ alerts inside; a later -w for the channel wins",
         {"w:cycle_ratio=1", "w:cycle_ratio=@10:20"},
         {{9, ok}, {10, warning}, {20, warning}, {21, ok}}},
        {"a range on a channel without module limits", {"c:PN-IO Status=2:"}, {}},
    };
    for (const auto& [name, given, steps] : sequences) {
        SCOPED_TRACE(name);
        std::vector<channel_threshold> thresholds;
        for (const auto& text : given)
            thresholds.push_back(parse_channel_threshold(
                text[0] == 'w' ? threshold_level::warning : threshold_level::critical, text.substr(2)));
        scan_evaluator evaluator(descriptor, german, severity::error, thresholds);
        for (const auto& [value, expected] : steps)
            EXPECT_EQ(evaluator.evaluate({}, ratio(value), sensor).channels.at(0).state, expected) << value;
    }
    // A count channel that had only the module's limits (warning above 0, error from 1) gets -c's instead.
    scan_evaluator counted(descriptor, german, severity::error,
                           {parse_channel_threshold(threshold_level::critical, "hardware_device=3")});
    const auto count = [&](int value) {
        return counted.evaluate({}, scan_result(0, {{{"id", 2}, {"kind", 1}, {"value", value}}}), sensor)
            .channels.at(0)
            .state;
    };
    EXPECT_EQ(count(1), warning) << "the module's warning above 0 stays";
    EXPECT_EQ(count(3), warning);
    EXPECT_EQ(count(4), error_state);
}

TEST_F(evaluation_test, an_error_result_is_an_error_unless_the_user_chose_unknown) {
    const json error_result = {{"type", "error_result"},
                               {"response_code", 2},
                               {"message", {{"id", "x"}, {"text", "Failed to connect"}}}};
    for (const auto chosen : {severity::error, severity::unknown}) {
        const auto report = scan_evaluator(descriptor, german, chosen).evaluate({}, error_result, sensor);
        EXPECT_EQ(report.state, chosen);
        EXPECT_TRUE(report.failed);
        EXPECT_EQ(report.message, "Failed to connect");
    }
}

TEST_F(evaluation_test, a_check_is_ok_only_on_a_true_success_and_shows_its_message) {
    const scan_evaluator evaluator(descriptor, german);
    const std::vector<std::tuple<json, severity, std::string>> checks{
        {{{"success", true}}, ok, "OK"},
        {{{"success", false}, {"message", {{"id", "x"}, {"text", "Denied"}}}}, error_state, "Denied"},
        {{{"success", "yes"}}, error_state, "Error"},
    };
    for (const auto& [result, state, message] : checks) {
        const auto report = evaluator.evaluate_check({}, result);
        EXPECT_EQ(report.state, state) << result;
        EXPECT_EQ(report.message, message);
    }
}

}  // namespace
