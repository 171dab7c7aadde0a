// s7host's command line where the end-to-end test does not reach: settings options in order, help or
// version among other arguments, and refusals that say where an option belongs.

#include "host/cli/command_line.hpp"

#include <gtest/gtest.h>

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
    EXPECT_EQ(parsed.assignments, (std::vector<setting_assignment>{{"port", "41234", "--port", true},
                                                                   {"rack", "0", "--rack", true},
                                                                   {"host", "plc-1", "--host"},
                                                                   {"connection_section.slot", "2", "--set"},
                                                                   {"slot", "3", "--slot", true},
                                                                   {"interval", "5", "--interval"}}));
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
