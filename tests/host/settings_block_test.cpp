// The settings block the host builds from the descriptor, the state and the command line.

#include "host/cli/settings_block.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "host/cli/command_line.hpp"
#include "host/cli/descriptor_settings.hpp"
#include "host/cli/usage_error.hpp"
#include "tests/host/canned_descriptor.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;

class settings_block_test : public ::testing::Test {
protected:
    json descriptor = korvel::probekit::host::test_support::canned_descriptor();
    korvel::probekit::host::test_support::temporary_directory directory;

    std::string settings_file(const std::string& content) {
        const auto file = directory.path() / "settings.json";
        std::ofstream(file) << content;
        return file.string();
    }

    json block_from(const std::vector<std::string>& arguments) {
        const auto command = parse_command_line(arguments);
        const auto& scan = std::get<scan_options>(command.command);
        sensor_record sensor;
        return build_settings_block(
            {scan.kind, settings_of_kind(descriptor, scan.kind), scan.assignments, &sensor});
    }
};

TEST_F(settings_block_test, base_values_and_descriptor_defaults_fill_what_the_user_leaves_out) {
    const auto block = block_from({"scan", "demo_sensor"});
    EXPECT_EQ(block.at("kind"), "demo_sensor");
    EXPECT_EQ(block.at("settings"), json({{"host", "127.0.0.1"}, {"timeout", "60"}, {"interval", "60"},
                                          {"logging", "disabled"}, {"ipversion", "IPv4"},
                                          {"connection_section.port", "102"}, {"proxy.mode", "strict"}}));
    EXPECT_EQ(block.at("secure_settings"), json({"proxy.password"}));
    EXPECT_EQ(block.at("channels"), json::object());
    EXPECT_EQ(block.at("persistent_data"), json::object());
}

TEST_F(settings_block_test, later_values_win_in_command_line_order) {
    const auto file = settings_file(R"({"connection_section.rack": 3, "host": "plc-a", "proxy.user": "u"})");
    struct case_ {
        std::vector<std::string> arguments;
        json expected;  // of the settings that the case is about
    };
    const std::vector<case_> cases{
        {{"scan", "demo_sensor", "--settings", file},
         {{"connection_section.rack", "3"}, {"host", "plc-a"}, {"interval", "60"}}},
        {{"scan", "demo_sensor", "--settings", file, "--set", "connection_section.rack=5", "--host", "plc-b"},
         {{"connection_section.rack", "5"}, {"host", "plc-b"}, {"interval", "60"}}},
        {{"scan", "demo_sensor", "--set", "connection_section.rack=5", "--host", "plc-b", "--settings", file},
         {{"connection_section.rack", "3"}, {"host", "plc-a"}, {"interval", "60"}}},
        {{"scan", "demo_sensor", "--set", "connection_section.port=", "--interval", "5", "--set", "host=x=y"},
         {{"connection_section.port", ""}, {"host", "x=y"}, {"interval", "5"}}},
    };
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(json(arguments).dump());
        const auto settings = block_from(arguments).at("settings");
        for (const auto& [key, value] : expected.items())
            EXPECT_EQ(settings.value(key, "absent"), value) << key;
    }
}

TEST_F(settings_block_test, settings_files_that_cannot_be_used_are_refused) {
    for (const std::string content : {"[1, 2]", "{\"a\": true}", "{\"a\": 1.5}", "{\"a\": {}}", "not json"}) {
        SCOPED_TRACE(content);
        EXPECT_THROW(read_settings_file(settings_file(content)), usage_error);
    }
    EXPECT_THROW(read_settings_file(directory.path() / "missing.json"), usage_error);
}

}  // namespace
