// The records the parse operations build: from the public sample answers of the PLC web API (with
// their quirks: "origin" beside "producer", alarms without "acknowledgement", time stamps with nine
// fraction digits, durations such as "PT0.150S"), and from the defaults of absent members.

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>

#include "libjsonparser/exceptions.hpp"
#include "s7/s7web/alarms_browse.hpp"
#include "s7/s7web/diagnostic_buffer.hpp"
#include "s7/s7web/iso8601_duration.hpp"
#include "s7/s7web/module_node.hpp"
#include "s7/s7web/module_status.hpp"
#include "s7/s7web/plc_mode.hpp"
#include "s7/s7web/runtime_information.hpp"
#include "tests/s7web_records/answer_texts.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace s7web = korvel::probekit::s7::s7web;
namespace json_errors = korvel::probekit::libjsonparser::exceptions;
using s7web::alarm_category;
using s7web::alarm_entry;
using s7web::module_state;
using s7web_records_test::answer_of;
using s7web_records_test::json;

// The sample answers of one method, in the file's order (the file keeps method and answer of each).
std::vector<json> sample_answers(const std::string& method) {
    std::ifstream file(WEB_API_ANSWERS_PATH);
    if (!file) {
        ADD_FAILURE() << "cannot read " << WEB_API_ANSWERS_PATH;
        return {};
    }
    std::vector<json> answers;
    for (const json& sample : json::parse(file)) {
        if (sample.at("method") == method && sample.at("response").is_object())
            answers.push_back(sample.at("response"));
    }
    return answers;
}

TEST(sample_answers, operating_modes_and_mode_selectors_are_their_texts) {
    std::vector<std::string> modes;
    for (const json& answer : sample_answers("Plc.ReadOperatingMode"))
        modes.push_back(s7web::parse_operating_mode(*answer_of(answer)));
    EXPECT_EQ(modes,
              (std::vector<std::string>{"run", "stop", "startup", "hold", "stop_fwupdate", "run_redundant",
                                        "syncup", "run_syncup", "remote_unknown", "unknown", "none"}));
    std::vector<std::string> selectors;
    for (const json& answer : sample_answers("Plc.ReadModeSelectorState"))
        selectors.push_back(s7web::parse_mode_selector_state(*answer_of(answer)));
    EXPECT_EQ(selectors, (std::vector<std::string>{"run", "no_switch"}));
}

TEST(sample_answers, runtime_information_converts_durations_and_loads) {
    const auto answers = sample_answers("Plc.ReadRuntimeInformation");
    ASSERT_EQ(answers.size(), 1u);
    const auto information = s7web::parse_runtime_information(*answer_of(answers[0]));
    ASSERT_TRUE(information.has_value());
    // "PT0.000973S", "PT0.000206S", "PT2.009973S": fraction digits past the third are cut.
    EXPECT_EQ(*information, (s7web::runtime_information{0, 0, 2009, 0, 0, 1, 50}));
    EXPECT_EQ(information->communication_load_ratio_percent(), 2);
}

TEST(sample_answers, diagnostic_entries_keep_their_nine_digit_time_stamps) {
    const auto answers = sample_answers("DiagnosticBuffer.Browse");
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(s7web::parse_diagnostic_buffer(*answer_of(answers[0])),
              (std::vector<s7web::diagnostic_buffer_entry>{{"2012-04-23T18:25:43.511854547Z", 2, 16385},
                                                           {"2023-06-07T18:25:43.511854547Z", 3, 26315}}));
}

TEST(sample_answers, alarms_take_origin_for_producer_and_absent_acknowledgement_as_none_needed) {
    const auto answers = sample_answers("Alarms.Browse");
    ASSERT_EQ(answers.size(), 1u);
    const auto result = s7web::parse_alarms_browse(*answer_of(answers[0]));
    EXPECT_EQ(result.count_current, 51);
    EXPECT_EQ(result.entries, (std::vector<alarm_entry>{{512, alarm_category::program_alarm, std::nullopt,
                                                         true, true, "2012-01-01T01:01:42.047Z", "#1, 1"},
                                                        {513, alarm_category::program_alarm, std::nullopt,
                                                         true, false, "2012-01-01T01:01:42.048Z", "#2, 1"}}));
}

TEST(sample_answers, a_device_node_without_has_children_holds_its_cpu) {
    const auto answers = sample_answers("Modules.Browse");
    ASSERT_EQ(answers.size(), 1u);
    const auto nodes = s7web::parse_modules_browse(*answer_of(answers[0]), std::nullopt);
    ASSERT_EQ(nodes.size(), 2u);
    EXPECT_EQ(nodes[0], (s7web::module_node{32, "CPU1518", "device", "central_device", false, true,
                                            std::nullopt, std::nullopt}));
    EXPECT_EQ(nodes[1], (s7web::module_node{49, "CPU1518", "module", "cpu", true, false, 32, std::nullopt}));
    EXPECT_FALSE(nodes[0].is_expandable()) << "its children came along";
    EXPECT_FALSE(nodes[1].is_expandable()) << "a module's children are submodules";
}

TEST(sample_answers, module_statuses_read_whatever_the_language) {
    for (const json& answer : sample_answers("Modules.ReadStatus")) {
        SCOPED_TRACE(answer.dump());
        EXPECT_EQ(s7web::parse_modules_read_status(*answer_of(answer)),
                  (s7web::module_status{"good", "good"}));
    }
}

TEST(alarm_entries, members_map_to_fields_with_their_defaults) {
    struct row {
        json element;
        alarm_entry expected;
    };
    const row rows[] = {
        {json::object(), {}},
        {{{"producer", "system_diagnostics"}, {"origin", "program_alarm"}},
         {0, alarm_category::system_diagnostics, std::nullopt, false, false, "", ""}},
        {{{"producer", ""}, {"origin", "system_diagnostics"}},
         {0, alarm_category::system_diagnostics, std::nullopt, false, false, "", ""}},
        {{{"producer", "plc_alarm"}}, {}},
        {{{"status", "outgoing"}, {"acknowledgement", {{"state", "acknowledged"}}}}, {}},
        {{{"status", "incoming"}, {"acknowledgement", {{"state", "not_acknowledged"}}}},
         {0, alarm_category::other, std::nullopt, true, true, "", ""}},
        {{{"hwid", 262}, {"alarm_number", "7"}}, {7, alarm_category::other, 262, false, false, "", ""}},
        {{{"hwid", nullptr}, {"alarm_number", nullptr}, {"alarm_text", nullptr}}, {}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.element.dump());
        const auto result = s7web::parse_alarms_browse(*answer_of({{"result", {{"entries", {r.element}}}}}));
        ASSERT_EQ(result.entries.size(), 1u);
        EXPECT_EQ(result.entries[0], r.expected);
        EXPECT_EQ(result.count_current, 0);
    }
    EXPECT_TRUE(s7web::parse_alarms_browse(*answer_of({{"result", json::object()}})).entries.empty());
}

TEST(alarm_entries, numbers_that_do_not_convert_raise_the_conversion_error) {
    test_support::expect_error<json_errors::conversion_error>(
        [] {
            s7web::parse_alarms_browse(*answer_of({{"result", {{"entries", {{{"hwid", 4294967296}}}}}}}));
        },
        "'4294967296' could not be converted to 'int32'.");
    test_support::expect_error<json_errors::conversion_error>(
        [] {
            s7web::parse_alarms_browse(*answer_of({{"result", {{"entries", {{{"alarm_number", "x"}}}}}}}));
        },
        "'x' could not be converted to 'integer'.");
}

TEST(module_states, status_texts_name_the_states_and_nothing_else) {
    // The other state names map the same way; the hardware status values show each of them.
    const std::pair<const char*, std::optional<module_state>> rows[] = {
        {"unknown", module_state::reported_unknown},
        {"io_not_available", module_state::io_not_available},
        {"reported_unknown", std::nullopt},
        {"Good", std::nullopt},
    };
    for (const auto& [text, state] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(s7web::to_module_state(text), state);
    }
    EXPECT_EQ(s7web::parse_modules_read_status(*answer_of({{"result", {{"status", {{"own", "error"}}}}}})),
              (s7web::module_status{"error", ""}));
}

TEST(runtime_information, absent_loads_are_0_and_a_maximum_of_0_gives_a_ratio_of_0) {
    const json cycle_times{{"current", "PT0.005S"}, {"shortest", "PT0S"}, {"longest", "PT12S"}};
    const auto information = s7web::parse_runtime_information(
        *answer_of({{"result",
                     {{"cycle_time", {{"actual", cycle_times}}},
                      {"load", {{"actual", {{"current_communication_load_percentage", 7.5}}}}}}}}));
    ASSERT_TRUE(information.has_value());
    EXPECT_EQ(*information, (s7web::runtime_information{5, 0, 12000, 0, 0, 7.5, 0}));
    EXPECT_EQ(information->communication_load_ratio_percent(), 0);
    test_support::expect_error<std::invalid_argument>(
        [] {
            s7web::parse_runtime_information(*answer_of({{"result", json::object()}}));
        },
        "Invalid ISO 8601 duration format:");
}

TEST(iso8601_durations, seconds_and_fractions_become_milliseconds) {
    const std::pair<const char*, std::int64_t> valid[] = {
        {"PT0.005S", 5},
        {"PT1.5S", 1500},
        {"PT12S", 12000},
        {"PT0.123456S", 123},
        {"PT0.05S", 50},
        {"PT007.1S", 7100},
        {"PT9223372036854775.807S", 9223372036854775807},
    };
    for (const auto& [text, milliseconds] : valid) {
        SCOPED_TRACE(text);
        EXPECT_EQ(s7web::parse_iso8601_duration(text), milliseconds);
    }
    for (const char* text : {"PT1.S", "P1S", "PT1.5M", "PT.5S", "PT-1S", "PT1S ", "pt1s", ""}) {
        SCOPED_TRACE(text);
        test_support::expect_error<std::invalid_argument>(
            [&] { s7web::parse_iso8601_duration(text); },
            std::string("Invalid ISO 8601 duration format:") + text);
    }
    for (const char* text : {"PT9223372036854775.808S", "PT9223372036854776S", "PT99999999999999999999S"}) {
        SCOPED_TRACE(text);
        test_support::expect_error<std::out_of_range>([&] { s7web::parse_iso8601_duration(text); },
                                                      "stol argument out of range");
    }
    // A long text from the device is neither matched recursively nor quoted whole.
    const std::string long_text = "PT" + std::string(100000, '1') + "X";
    try {
        s7web::parse_iso8601_duration(long_text);
        ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& error) {
        EXPECT_LT(std::string(error.what()).size(), 200u);
    }
}

}  // namespace
