// Settings as s7host checks them before the module sees them: defaults, order, the errors that name
// the setting and its range, the controller a sensor watches, and the block sent to the module.

#include "host/cli/settings.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "host/cli/translation.hpp"
#include "tests/host/canned_descriptor.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;

constexpr const char* sensor = "demo_sensor";

class settings_test : public ::testing::Test {
protected:
    json descriptor = test_support::canned_descriptor();
    translator english{descriptor, "English"};
    test_support::temporary_directory directory;

    resolved_settings resolve(const std::vector<setting_assignment>& assignments) {
        return resolved_settings(sensor, settings_of_kind(descriptor, sensor), assignments, english);
    }

    std::string settings_file(const std::string& content) {
        const auto file = directory.path() / "settings.json";
        std::ofstream(file) << content;
        return file.string();
    }
};

TEST_F(settings_test, defaults_fill_what_the_user_leaves_out_and_later_values_win) {
    const auto file = settings_file(R"({"connection_section.rack": 3, "host": "plc-a", "proxy.user": "u"})");
    auto assignments = read_settings_file(file);
    assignments.push_back(parse_assignment("connection_section.rack=5"));
    assignments.push_back(parse_assignment("proxy.user=x=y"));
    const auto settings = resolve(assignments);
    EXPECT_EQ(settings.values(), json({{"host", "plc-a"},
                                       {"timeout", "30"},
                                       {"interval", "60"},
                                       {"logging", "disabled"},
                                       {"ipversion", "IPv4"},
                                       {"connection_section.rack", "5"},
                                       {"connection_section.port", "102"},
                                       {"proxy.user", "x=y"},
                                       {"proxy.mode", "strict"}}));
}

// The errors of the README (a misspelled key, a range in German, a selection, a required setting, a
// short option the kind lacks) are run end to end; here the other branches.
TEST_F(settings_test, every_error_names_the_setting_and_what_it_allows) {
    const setting_assignment rack{"connection_section.rack", "1", "--set"};
    const std::vector<std::pair<std::vector<setting_assignment>, std::string>> cases{
        {{{"rack", "1", "--settings a.json"}},
         "unknown setting \"rack\" (from --settings a.json) for demo_sensor; did you mean "
         "connection_section.rack? (s7host info demo_sensor lists its settings)"},
        {{rack, {"fully.unrelated.thing", "1", "--set"}},
         "unknown setting \"fully.unrelated.thing\" (from --set) for demo_sensor (s7host info demo_sensor "
         "lists its settings)"},
        {{{"connection_section.rack", "x", "--set"}},
         "Setting \"Rack\" (connection_section.rack): \"x\" is not a whole number; allowed: 0 to 7"},
        {{{"connection_section.rack", "", "--set"}},
         "Setting \"Rack\" (connection_section.rack) is required and has no default: give it with --set "
         "connection_section.rack=VALUE (0 to 7)"},
        {{rack, {"connection_section.port", "0", "--set"}},
         "Setting \"Port\" (connection_section.port): 0 is out of range; allowed: a whole number of at least "
         "1"},
        {{rack, {"logging", "on", "--set"}},
         "Setting \"Logging\" (logging): \"on\" is not one of its values; allowed: disabled, enabled"},
    };
    for (const auto& [assignments, expected] : cases) {
        try {
            resolve(assignments);
            ADD_FAILURE() << "accepted: " << expected;
        } catch (const settings_error& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

TEST_F(settings_test, closest_keys_are_the_nearest_few) {
    const std::vector<std::string> keys{"connection_section.receive_timeout_ms", "connection_section.retry",
                                        "connection_section.retry_delay_ms", "connection_section.rack",
                                        "host"};
    const std::vector<std::pair<std::string, std::vector<std::string>>> cases{
        {"connection_section.recieve_timeout_ms", {"connection_section.receive_timeout_ms"}},
        {"connection_section.re",
         {"connection_section.receive_timeout_ms", "connection_section.retry",
          "connection_section.retry_delay_ms"}},
        {"something_else", {}},
    };
    for (const auto& [unknown, expected] : cases) EXPECT_EQ(closest_keys(unknown, keys), expected) << unknown;
}

// Channels and persistent values reaching the module through the block are run end to end.
TEST_F(settings_test, the_block_names_the_secret_keys_and_gives_a_check_no_channels) {
    const auto settings =
        resolve({{"connection_section.rack", "0", "--set"}, {"proxy.password", "s3cret", "--set"}});
    const auto block = settings_block(sensor, settings, nullptr);
    EXPECT_EQ(block.at("secure_settings"), json({"proxy.password"}));
    EXPECT_FALSE(block.contains("channels"));
}

TEST_F(settings_test, settings_files_that_cannot_be_used_are_refused) {
    for (const std::string content : {"[1, 2]", "{\"a\": 1.5}", "not json"})
        EXPECT_THROW(read_settings_file(settings_file(content)), settings_error) << content;
    EXPECT_THROW(read_settings_file(directory.path() / "missing.json"), settings_error);
}

}  // namespace
