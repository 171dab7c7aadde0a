// Settings as s7host checks them before the module sees them: defaults, order, the errors that name
// the setting and its range, the controller a sensor watches, and the block sent to the module.

#include "host/cli/settings.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "host/cli/state_store.hpp"
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
    translator german{descriptor, "German"};
    test_support::temporary_directory directory;

    resolved_settings resolve(const std::vector<setting_assignment>& assignments,
                              const translator* texts = nullptr) {
        return resolved_settings(sensor, settings_of_kind(descriptor, sensor), assignments,
                                 texts ? *texts : english);
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
                                       {"timeout", "60"},
                                       {"interval", "60"},
                                       {"logging", "disabled"},
                                       {"ipversion", "IPv4"},
                                       {"connection_section.rack", "5"},
                                       {"connection_section.port", "102"},
                                       {"proxy.user", "x=y"},
                                       {"proxy.mode", "strict"}}));
    EXPECT_EQ(settings.integer("timeout"), 60);
}

TEST_F(settings_test, short_connection_options_name_the_kinds_own_setting) {
    const auto settings = resolve({{"rack", "1", "--rack", true}, {"port", "41234", "--port", true}});
    EXPECT_EQ(settings.value("connection_section.rack"), "1");
    EXPECT_EQ(settings.value("connection_section.port"), "41234");
    EXPECT_EQ(target_of(settings), (std::vector<target_setting>{{"host", "host", "127.0.0.1"},
                                                                {"connection_section.port", "port", "41234"},
                                                                {"connection_section.rack", "rack", "1"}}));
}

TEST_F(settings_test, every_error_names_the_setting_and_what_it_allows) {
    const setting_assignment rack{"connection_section.rack", "1", "--set"};
    struct case_ {
        std::vector<setting_assignment> assignments;
        const translator& texts;
        std::string expected;
    };
    const std::vector<case_> cases{
        {{rack, {"connection_section.rak", "1", "--set"}},
         english,
         "unknown setting \"connection_section.rak\" (from --set) for demo_sensor; did you mean "
         "connection_section.rack? "
         "(s7host info demo_sensor lists its settings)"},
        {{{"rack", "1", "--settings a.json"}},
         english,
         "unknown setting \"rack\" (from --settings a.json) for demo_sensor; did you mean "
         "connection_section.rack? "
         "(s7host info demo_sensor lists its settings)"},
        {{rack, {"fully.unrelated.thing", "1", "--set"}},
         english,
         "unknown setting \"fully.unrelated.thing\" (from --set) for demo_sensor (s7host info demo_sensor "
         "lists its settings)"},
        {{{"connection_section.rack", "8", "--set"}},
         german,
         "Setting \"Baugruppenträger\" (connection_section.rack): 8 is out of range; allowed: 0 to 7"},
        {{{"connection_section.rack", "x", "--set"}},
         english,
         "Setting \"Rack\" (connection_section.rack): \"x\" is not a whole number; allowed: 0 to 7"},
        {{},
         english,
         "Setting \"Rack\" (connection_section.rack) is required and has no default: give it with --set "
         "connection_section.rack=VALUE (0 to 7)"},
        {{{"connection_section.rack", "", "--set"}},
         english,
         "Setting \"Rack\" (connection_section.rack) is required and has no default: give it with --set "
         "connection_section.rack=VALUE (0 to 7)"},
        {{rack, {"connection_section.port", "0", "--set"}},
         english,
         "Setting \"Port\" (connection_section.port): 0 is out of range; allowed: a whole number of at least "
         "1"},
        {{rack, {"proxy.mode", "loose", "--set"}},
         english,
         "Setting \"Mode\" (proxy.mode): \"loose\" is not one of its values; allowed: strict (Strict), lax "
         "(Lax)"},
        {{rack, {"timeout", "0", "--set"}},
         english,
         "Setting \"Timeout\" (timeout): 0 is out of range; allowed: 1 to 86400"},
        {{rack, {"logging", "on", "--set"}},
         english,
         "Setting \"Logging\" (logging): \"on\" is not one of its values; allowed: disabled, enabled"},
        {{rack, {"slot", "1", "--slot", true}}, english, "--slot: demo_sensor has no slot setting"},
    };
    for (const auto& [assignments, texts, expected] : cases) {
        SCOPED_TRACE(expected);
        try {
            resolve(assignments, &texts);
            ADD_FAILURE() << "accepted";
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
        {"retyr", {"connection_section.retry"}},
        {"hots", {"host"}},
        {"connection_section.re",
         {"connection_section.receive_timeout_ms", "connection_section.retry",
          "connection_section.retry_delay_ms"}},
        {"something_else", {}},
    };
    for (const auto& [unknown, expected] : cases) {
        SCOPED_TRACE(unknown);
        EXPECT_EQ(closest_keys(unknown, keys), expected);
    }
}

TEST_F(settings_test, the_block_carries_secret_keys_channels_and_persistent_values) {
    sensor_record record;
    record.persistent_data["next_channel_id"] = "2";
    record.channels[1] = {"PLC_1 Status", json::object()};
    const auto settings =
        resolve({{"connection_section.rack", "0", "--set"}, {"proxy.password", "s3cret", "--set"}});
    const auto block = settings_block(sensor, settings, &record);
    EXPECT_EQ(block.at("kind"), sensor);
    EXPECT_EQ(block.at("secure_settings"), json({"proxy.password"}));
    EXPECT_EQ(block.at("channels"), json({{"1", "PLC_1 Status"}}));
    EXPECT_EQ(block.at("persistent_data"), json({{"next_channel_id", "2"}}));
    EXPECT_FALSE(settings_block(sensor, settings, nullptr).contains("channels")) << "a check has none";
}

TEST_F(settings_test, settings_files_that_cannot_be_used_are_refused) {
    for (const std::string content : {"[1, 2]", "{\"a\": true}", "{\"a\": 1.5}", "{\"a\": {}}", "not json"}) {
        SCOPED_TRACE(content);
        EXPECT_THROW(read_settings_file(settings_file(content)), settings_error);
    }
    EXPECT_THROW(read_settings_file(directory.path() / "missing.json"), settings_error);
}

}  // namespace
