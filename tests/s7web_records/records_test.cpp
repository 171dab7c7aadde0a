// The records the parse operations build from the public sample answers of the PLC web API, and where
// the simulator shows too little: the defaults of absent members, numbers that do not fit, and
// ISO 8601 durations.

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

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
using s7web_records_test::answer_of;
using s7web_records_test::json;

// The first answer to `method` in the file that keeps method and answer of each public sample.
json sample(const std::string& method) {
    std::ifstream file(WEB_API_ANSWERS_PATH);
    if (!file) {
        ADD_FAILURE() << "cannot read " << WEB_API_ANSWERS_PATH;
        return {};
    }
    for (const json& sample : json::parse(file)) {
        if (sample.at("method") == method && sample.at("response").is_object()) return sample.at("response");
    }
    ADD_FAILURE() << "no sample of " << method;
    return {};
}

// The simulator writes answers of its own, so these are what says the parsers read a real device's,
// quirks included: "origin" beside "producer", alarms without "acknowledgement", nine fraction digits,
// a device that sends its children without "has_children" and a module that has children.
TEST(sample_answers, every_method_reads_as_a_device_writes_it) {
    EXPECT_EQ(s7web::parse_operating_mode(*answer_of(sample("Plc.ReadOperatingMode"))), "run");
    EXPECT_EQ(s7web::parse_mode_selector_state(*answer_of(sample("Plc.ReadModeSelectorState"))), "run");
    EXPECT_EQ(s7web::parse_runtime_information(*answer_of(sample("Plc.ReadRuntimeInformation"))),
              (s7web::runtime_information{0, 0, 2009, 0, 0, 1, 50}));
    EXPECT_EQ(s7web::parse_diagnostic_buffer(*answer_of(sample("DiagnosticBuffer.Browse"))),
              (std::vector<s7web::diagnostic_buffer_entry>{{"2012-04-23T18:25:43.511854547Z", 2, 16385},
                                                           {"2023-06-07T18:25:43.511854547Z", 3, 26315}}));
    const auto browsed = s7web::parse_alarms_browse(*answer_of(sample("Alarms.Browse")));
    EXPECT_EQ(browsed.count_current, 51);
    EXPECT_EQ(browsed.entries,
              (std::vector<alarm_entry>{{512, alarm_category::program_alarm, std::nullopt, true, true,
                                         "2012-01-01T01:01:42.047Z", "#1, 1"},
                                        {513, alarm_category::program_alarm, std::nullopt, true, false,
                                         "2012-01-01T01:01:42.048Z", "#2, 1"}}));
    EXPECT_EQ(s7web::parse_modules_read_status(*answer_of(sample("Modules.ReadStatus"))),
              (s7web::module_status{"good", "good"}));
    const auto nodes = s7web::parse_modules_browse(*answer_of(sample("Modules.Browse")), std::nullopt);
    EXPECT_EQ(nodes, (std::vector<s7web::module_node>{
                         {32, "CPU1518", "device", "central_device", false, true, std::nullopt, std::nullopt},
                         {49, "CPU1518", "module", "cpu", true, false, 32, std::nullopt}}));
    EXPECT_FALSE(nodes.at(0).is_expandable()) << "its children came along";
    EXPECT_FALSE(nodes.at(1).is_expandable()) << "a module's children are submodules";
}

TEST(records, absent_or_null_members_read_as_their_defaults) {
    // The members the simulator always writes, and the choice between producer and origin.
    struct row {
        json element;
        alarm_entry expected;
    };
    const row rows[] = {
        {json::object(), {}},
        {{{"hwid", nullptr}, {"alarm_number", nullptr}, {"alarm_text", nullptr}}, {}},
        {{{"producer", "system_diagnostics"}, {"origin", "program_alarm"}},
         {0, alarm_category::system_diagnostics, std::nullopt, false, false, "", ""}},
        {{{"producer", ""}, {"origin", "system_diagnostics"}},
         {0, alarm_category::system_diagnostics, std::nullopt, false, false, "", ""}},
        {{{"hwid", 262}, {"alarm_number", "7"}}, {7, alarm_category::other, 262, false, false, "", ""}},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.element.dump());
        const auto result = s7web::parse_alarms_browse(*answer_of({{"result", {{"entries", {r.element}}}}}));
        ASSERT_EQ(result.entries.size(), 1u);
        EXPECT_EQ(result.entries[0], r.expected);
        EXPECT_EQ(result.count_current, 0);
    }
    EXPECT_TRUE(s7web::parse_alarms_browse(*answer_of({{"result", json::object()}})).entries.empty());
    EXPECT_EQ(s7web::parse_modules_read_status(*answer_of({{"result", {{"status", {{"own", "error"}}}}}})),
              (s7web::module_status{"error", ""}));

    // Absent loads are 0, and so is the ratio to a maximum of 0; absent cycle times are no durations.
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

// An alarm that cannot be read is left out with its reason; the others stand.
TEST(records, an_alarm_that_cannot_be_read_is_left_out_and_counted) {
    const std::pair<json, std::string> unreadable[] = {
        {{{"hwid", 4294967296}}, "'4294967296' could not be converted to 'int32'."},
        {{{"alarm_number", "x"}}, "'x' could not be converted to 'integer'."},
    };
    for (const auto& [element, reason] : unreadable) {
        SCOPED_TRACE(reason);
        const auto result = s7web::parse_alarms_browse(
            *answer_of({{"result", {{"entries", {{{"alarm_number", 1}}, element, {{"alarm_number", 3}}}}}}}));
        ASSERT_EQ(result.entries.size(), 2u);
        EXPECT_EQ(result.entries[1].alarm_number, 3);
        EXPECT_EQ(result.unreadable_entries, 1u);
        EXPECT_EQ(result.first_unreadable_reason, reason);
    }
}

TEST(iso8601_durations, seconds_and_fractions_become_milliseconds) {
    const std::pair<const char*, std::int64_t> valid[] = {
        {"PT0.005S", 5},      {"PT1.5S", 1500}, {"PT12S", 12000},
        {"PT0.123456S", 123}, {"PT0.05S", 50},  {"PT9223372036854775.807S", 9223372036854775807},
    };
    for (const auto& [text, milliseconds] : valid) {
        SCOPED_TRACE(text);
        EXPECT_EQ(s7web::parse_iso8601_duration(text), milliseconds);
    }
    for (const char* text : {"PT1.S", "P1S", "PT1.5M", "PT-1S", "PT1S ", ""}) {
        SCOPED_TRACE(text);
        test_support::expect_error<std::invalid_argument>(
            [&] { s7web::parse_iso8601_duration(text); },
            std::string("Invalid ISO 8601 duration format:") + text);
    }
    for (const char* text : {"PT9223372036854775.808S", "PT99999999999999999999S"}) {
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
