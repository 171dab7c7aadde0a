// s7host's command line: options before or after the command, the help forms, and refusals that say
// where an option belongs.

#include "host/cli/command_line.hpp"

#include <gtest/gtest.h>

namespace {

using namespace korvel::probekit::host;
using argument_list = std::vector<std::string>;

constexpr const char* kind = "simatic_s7_300_400_cpu_status_sensor";

TEST(parse_command_line, takes_options_before_and_after_the_command) {
    struct case_ {
        argument_list given;
        command chosen;
        std::optional<std::string> language;
        output_format format;
        int count;
    };
    const std::vector<case_> cases{
        {{"info", "--lang", "de"}, command::info, "German", output_format::text, 1},
        {{"--lang", "de", "info"}, command::info, "German", output_format::text, 1},
        {{"--lang=ja", "list", "--json"}, command::list, "Japanese", output_format::json_lines, 1},
        {{"scan", kind, "--json"}, command::scan, std::nullopt, output_format::json_lines, 1},
        {{"--format", "json", "scan", kind}, command::scan, std::nullopt, output_format::json_lines, 1},
        {{"--count=0", "scan", "--format=nagios", kind},
         command::scan,
         std::nullopt,
         output_format::nagios,
         0},
        {{"scan", "--format", "openmetrics", kind, "--count", "3"},
         command::scan,
         std::nullopt,
         output_format::openmetrics,
         3},
    };
    for (const auto& [given, chosen, language, format, count] : cases) {
        SCOPED_TRACE(testing::PrintToString(given));
        const auto parsed = parse_command_line(given);
        EXPECT_EQ(parsed.chosen, chosen);
        EXPECT_EQ(parsed.language, language);
        EXPECT_EQ(parsed.format, format);
        EXPECT_EQ(parsed.count, count);
    }
}

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

TEST(parse_command_line, help_and_version_in_every_form) {
    struct case_ {
        argument_list given;
        command chosen;
        std::optional<command> topic;
    };
    const std::vector<case_> cases{
        {{"--help"}, command::help, std::nullopt},
        {{"-h"}, command::help, std::nullopt},
        {{"help"}, command::help, std::nullopt},
        {{"help", "scan"}, command::help, command::scan},
        {{"scan", "--help"}, command::help, command::scan},
        {{"-h", "info", "--lang", "de"}, command::help, command::info},
        {{"scan", kind, "-h", "--count", "3"}, command::help, command::scan},
        {{"--version"}, command::version, std::nullopt},
        {{"version"}, command::version, std::nullopt},
        {{"scan", kind, "--version"}, command::version, std::nullopt},
    };
    for (const auto& [given, chosen, topic] : cases) {
        SCOPED_TRACE(testing::PrintToString(given));
        const auto parsed = parse_command_line(given);
        EXPECT_EQ(parsed.chosen, chosen);
        EXPECT_EQ(parsed.help_topic, topic);
    }
    EXPECT_NE(help_text(command::scan).find("--count N"), std::string::npos);
    EXPECT_NE(help_text(command::scan).find("--state-dir DIR"), std::string::npos);
    EXPECT_EQ(help_text(command::list).find("--count"), std::string::npos) << "list takes no --count";
}

TEST(parse_command_line, refusals_say_what_is_wrong_and_where_to_look) {
    const std::vector<std::pair<argument_list, std::string>> cases{
        {{}, "no command given (s7host --help lists the commands)"},
        {{"info", "--count", "3"}, "--count is an option of scan, not of info (s7host info --help)"},
        {{"list", "--state-dir", "x"},
         "--state-dir is an option of scan, demo, not of list (s7host list --help)"},
        {{"scna", kind}, "unknown command \"scna\"; did you mean scan? (s7host --help lists the commands)"},
        {{"scan", kind, "--stat-dir", "x"},
         "unknown option --stat-dir; did you mean --state-dir? (s7host --help lists the options)"},
        {{"scan", kind, "--state", "x"},
         "unknown option --state; did you mean --state-dir? (s7host --help lists the options)"},
        {{"scan", kind, "-x"}, "unknown option -x (s7host --help lists the options)"},
        {{"scan"}, "scan needs a kind (s7host list shows them; s7host scan --help)"},
        {{"scan", "a", "b"}, "scan takes one kind, not also \"b\" (s7host scan --help)"},
        {{"list", "x"}, "list takes no arguments, not \"x\" (s7host list --help)"},
        {{"scan", kind, "--count", "-1"}, "--count expects a whole number of at least 0, not \"-1\""},
        {{"scan", kind, "--id", "1x"}, "--id expects a whole number, not \"1x\""},
        {{"scan", kind, "--count"}, "--count needs a value (N)"},
        {{"scan", kind, "--format", "xml"},
         "--format expects text, nagios, json or openmetrics, not \"xml\""},
        {{"info", "--format", "nagios"}, "info writes text or json only"},
        {{"list", "--json=yes"}, "--json takes no value"},
        {{"--lang", "xx", "info"}, "unknown language \"xx\" (s7host --help lists them)"},
        {{"help", "scan", "check"}, "help takes one command at most"},
        {{"info", "--rack", "0"}, "info takes settings only with a KIND (s7host info --help)"},
        {{"scan", kind, "--set", "no_equals_sign"},
         "--set expects KEY=VALUE (section.setting=value), not \"no_equals_sign\""},
    };
    for (const auto& [given, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(given));
        try {
            parse_command_line(given);
            ADD_FAILURE() << "accepted";
        } catch (const std::exception& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

}  // namespace
