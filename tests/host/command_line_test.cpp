// s7host's command line where the end-to-end test does not reach: settings options in order, help or
// version among other arguments, and refusals that say where an option belongs.

#include "host/cli/command_line.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;
using argument_list = std::vector<std::string>;

constexpr const char* kind = "simatic_s7_300_400_cpu_status_sensor";

TEST(parse_command_line, keeps_setting_options_in_order_with_short_connection_options_by_name) {
    const auto parsed =
        parse_command_line({"--port", "41234", "scan", kind, "--rack=0", "--host", "plc-1", "--set",
                            "connection_section.slot=2", "--slot", "3", "--interval", "5", "--id", "-4"});
    EXPECT_EQ(parsed.kind, kind);
    EXPECT_EQ(parsed.id, -4);
    EXPECT_EQ(parsed.assignments,
              (std::vector<setting_assignment>{{"port", "41234", "--port", true},
                                               {"rack", "0", "--rack", true},
                                               {"host", "plc-1", "--host"},
                                               {"connection_section.slot", "2", "--set", false, true},
                                               {"slot", "3", "--slot", true},
                                               {"interval", "5", "--interval"}}));
}

TEST(parse_command_line, takes_the_plugin_convention_short_options) {
    const auto parsed =
        parse_command_line({"scan", kind, "-H", "plc-1", "-p10102", "-t", "20", "-w", "Cycle Ratio=80", "-c",
                            "cycle_ratio=@90:", "-vv", "--rack", "0"});
    EXPECT_EQ(parsed.assignments, (std::vector<setting_assignment>{{"logging", "enabled", "-v"},
                                                                   {"host", "plc-1", "--host"},
                                                                   {"port", "10102", "--port", true},
                                                                   {"timeout", "20", "--timeout"},
                                                                   {"rack", "0", "--rack", true}}));
    EXPECT_EQ(parsed.verbosity, 2);
    ASSERT_EQ(parsed.thresholds.size(), 2u);
    EXPECT_EQ(parsed.thresholds[0].channel, "Cycle Ratio");
    EXPECT_EQ(parsed.thresholds[1].level, threshold_level::critical);
    EXPECT_EQ(parsed.thresholds[1].range.text, "@90:");
    EXPECT_FALSE(parsed.format_given);
    EXPECT_TRUE(parse_command_line({"scan", kind, "--format", "text"}).format_given);
}

TEST(parse_command_line, hold_comes_from_the_option_or_a_setting_and_the_later_one_wins) {
    using std::chrono::seconds;
    std::vector<std::pair<argument_list, seconds>> cases{
        {{"--hold", "15m"}, seconds(900)},
        {{"--hold", "1h30m"}, seconds(5400)},
        {{"--hold", "90"}, seconds(90)},
        {{"--hold", "31d"}, seconds(31 * 86400)},
        {{"--hold", "2h", "--set", "hold=0"}, seconds(0)},
        {{"--set", "hold=2d", "--hold", "1s"}, seconds(1)},
    };
    const korvel::probekit::host::test_support::temporary_directory place;
    const auto settings = place.path() / "plc.json";
    std::ofstream(settings) << R"({"hold": "20m"})";
    cases.push_back({{"--settings", settings.string()}, seconds(1200)});
    cases.push_back({{"--settings", settings.string(), "--hold", "5m"}, seconds(300)});
    for (const auto& [options, expected] : cases) {
        argument_list arguments{"scan", kind};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const auto parsed = parse_command_line(arguments);
        EXPECT_EQ(parsed.hold, expected) << testing::PrintToString(options);
        EXPECT_TRUE(parsed.assignments.empty()) << "hold is the host's, not a module setting";
    }
}

TEST(outline_arguments, reads_the_format_kind_id_and_target_from_arguments_that_form_no_command) {
    const auto outline = outline_arguments({"--bogus", "scan", kind, "-H", "plc-1", "--count", "x", "--rack",
                                            "0", "--id=4", "--format", "openmetrics", "--set", "oops"});
    EXPECT_EQ(outline.format, output_format::openmetrics);
    EXPECT_EQ(outline.kind, kind);
    EXPECT_FALSE(outline.is_check);
    EXPECT_EQ(outline.id, 4);
    EXPECT_EQ(outline.assignments,
              (std::vector<setting_assignment>{{"host", "plc-1", "--host"}, {"rack", "0", "--rack", true}}));
    EXPECT_EQ(outline_arguments({"--lang", "de", "check", "x", "--json"}).kind, "x");
    EXPECT_EQ(outline_arguments({"--lang", "de", "check", "x"}).format, std::nullopt);
}

TEST(parse_command_line, help_and_version_win_over_everything_else_given) {
    const std::vector<std::tuple<argument_list, command, std::optional<command>>> cases{
        {{"help"}, command::help, std::nullopt},
        {{"-h", "info", "--lang", "de"}, command::help, command::info},
        {{"scan", kind, "-h", "--count", "3"}, command::help, command::scan},
        {{"scan", kind, "--version"}, command::version, std::nullopt},
    };
    for (const auto& [given, chosen, topic] : cases) {
        const auto parsed = parse_command_line(given);
        EXPECT_EQ(parsed.chosen, chosen) << testing::PrintToString(given);
        EXPECT_EQ(parsed.help_topic, topic);
    }
    EXPECT_EQ(help_text(command::list).find("--count"), std::string::npos) << "list takes no --count";
}

TEST(parse_command_line, refusals_say_what_is_wrong_and_where_to_look) {
    const std::vector<std::pair<argument_list, std::string>> cases{
        {{}, "no command given (s7host --help lists the commands)"},
        {{"info", "--count", "3"}, "--count is an option of scan, not of info (s7host info --help)"},
        {{"scna", kind}, "unknown command \"scna\"; did you mean scan? (s7host --help lists the commands)"},
        {{"scan", kind, "--stat-dir", "x"},
         "unknown option --stat-dir; did you mean --state-dir? (s7host --help lists the options)"},
        {{"scan", kind, "-x"}, "unknown option -x (s7host --help lists the options)"},
        {{"scan"}, "scan needs a kind (s7host list shows them; s7host scan --help)"},
        {{"scan", "a", "b"}, "scan takes one kind, not also \"b\" (s7host scan --help)"},
        {{"scan", kind, "--count", "-1"}, "--count expects a whole number of at least 0, not \"-1\""},
        {{"scan", kind, "--count"}, "--count needs a value (N)"},
        {{"scan", kind, "--format", "xml"},
         "--format expects text, nagios, json, openmetrics or prometheus, not \"xml\""},
        {{"info", "--format", "nagios"}, "info writes text or json only"},
        {{"list", "--json=yes"}, "--json takes no value"},
        {{"--lang", "xx", "info"}, "unknown language \"xx\" (s7host --help lists them)"},
        {{"info", "--rack", "0"}, "info takes settings only with a KIND (s7host info --help)"},
        {{"scan", kind, "--set", "no_equals_sign"},
         "--set expects KEY=VALUE (section.setting=value), not \"no_equals_sign\""},
        {{"scan", kind, "-vx"}, "-v takes no value, not \"x\""},
        {{"scan", kind, "-H"}, "-H needs a value (HOST)"},
        {{"scan", kind, "-t", "0"}, "--timeout expects a whole number of at least 1, not \"0\""},
        {{"scan", kind, "-w", "80"},
         "-w expects CHANNEL=RANGE (\"Cycle Ratio=80\", \"cycle_ratio=~:90\"), not \"80\""},
        {{"scan", kind, "--hold", "15x"},
         "--hold expects a duration such as 15m, 1h30m or 90s (at most 31d), not \"15x\""},
        {{"scan", kind, "--hold", "32d"},
         "--hold expects a duration such as 15m, 1h30m or 90s (at most 31d), not \"32d\""},
        {{"scan", kind, "--hold", "1h30"},
         "--hold expects a duration such as 15m, 1h30m or 90s (at most 31d), not \"1h30\""},
        {{"scan", kind, "--hold", "-5m"},
         "--hold expects a duration such as 15m, 1h30m or 90s (at most 31d), not \"-5m\""},
        {{"scan", kind, "--error-state", "warning"},
         "--error-state expects critical or unknown, not \"warning\""},
        {{"check", kind, "--hold", "1m"}, "--hold is an option of scan, not of check (s7host check --help)"},
        {{"scan", kind, "--set-env", "s7web_credentials_section.password=S7HOST_TEST_UNSET_VARIABLE"},
         "--set-env s7web_credentials_section.password=S7HOST_TEST_UNSET_VARIABLE: "
         "S7HOST_TEST_UNSET_VARIABLE "
         "is not set"},
        {{"scan", kind, "--set-file", "key=/nonexistent/s7host-secret"},
         "--set-file /nonexistent/s7host-secret: cannot read the file"},
    };
    for (const auto& [given, expected] : cases) {
        try {
            parse_command_line(given);
            ADD_FAILURE() << "accepted: " << expected;
        } catch (const std::exception& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

}  // namespace
