// A sensor's state between runs: one file per sensor and target, locked while a run uses it, replaced
// atomically, kept aside when it cannot be read, and errors that name the path and the reason.

#include "host/cli/state_store.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;
using namespace std::chrono_literals;

constexpr const char* stored_kind = "simatic_s7_1200_1500_hardware_status_sensor";

json persistent(const std::string& key, const std::string& value) {
    return {{"type", "persistent_data"}, {"sensor_id", 5}, {"key", key}, {"value", value}};
}

json dynamic_channel(int id, const std::string& name) {
    return {{"type", "dynamic_channel"},
            {"sensor_id", 5},
            {"channel",
             {{"id", id},
              {"lookup", "hardware_status"},
              {"name", {{"id", "#:channel.hardware_device[" + name + "]"}, {"text", name + " Status"}}}}}};
}

sensor_identity identity(const std::string& port = "102") {
    return {stored_kind, 5, {{"host", "host", "10.0.0.5"}, {"connection_section.port", "port", port}}};
}

std::string content_of(const std::filesystem::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> names_in(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename());
    std::ranges::sort(names);
    return names;
}

class state_store_test : public ::testing::Test {
protected:
    test_support::temporary_directory directory;
    std::ostringstream notices;
};

TEST_F(state_store_test, what_one_run_learns_the_next_run_starts_from) {
    {
        sensor_state state(directory.path(), identity(), 1s, notices);
        EXPECT_EQ(state.record(), sensor_record{});
        EXPECT_TRUE(state.record().apply(persistent("next_channel_id", "2")));
        EXPECT_TRUE(state.record().apply(dynamic_channel(1, "PLC_1")));
        EXPECT_FALSE(state.record().apply(dynamic_channel(1, "PLC_1")))
            << "the same definition again changes nothing";
        EXPECT_FALSE(state.record().apply(persistent("next_channel_id", "2")));
        EXPECT_FALSE(state.record().apply({{"type", "scan_result"}, {"sensor_id", 5}}));
        EXPECT_FALSE(state.record().apply({{"type", "dynamic_channel"}, {"channel", {{"id", "1"}}}}))
            << "no integer id";
        state.save();
    }
    sensor_state state(directory.path(), identity(), 1s, notices);
    EXPECT_EQ(state.record().persistent_data, (std::map<std::string, std::string>{{"next_channel_id", "2"}}));
    EXPECT_EQ(state.record().channels.at(1).name, "PLC_1 Status");
    EXPECT_EQ(state.record().channels.at(1).definition.at("lookup"), "hardware_status");
    EXPECT_EQ(notices.str(), "");
    EXPECT_EQ(names_in(directory.path()),
              (std::vector<std::string>{state.file().filename(), state.file().filename().string() + ".lock"}))
        << "no temporary file left behind";
    const auto saved = json::parse(content_of(state.file()));
    EXPECT_EQ(saved.at("target"), json({{"host", "10.0.0.5"}, {"connection_section.port", "102"}}))
        << "the file says which controller it belongs to";
}

TEST_F(state_store_test, each_target_kind_and_id_has_a_file_of_its_own) {
    const auto name = state_file_name(identity());
    EXPECT_TRUE(name.starts_with(std::string(stored_kind) + "-5-10.0.0.5-")) << name;
    EXPECT_TRUE(name.ends_with(".json")) << name;
    auto other_id = identity();
    other_id.id = 6;
    auto other_kind = identity();
    other_kind.kind = "other";
    auto odd_host = identity();
    odd_host.target[0].value = "../../etc/x y";
    for (const auto& other : {identity("103"), other_id, other_kind, odd_host})
        EXPECT_NE(state_file_name(other), name);
    EXPECT_EQ(state_file_name(identity()), name) << "the same identity, the same file";
    EXPECT_EQ(state_file_name(odd_host).find('/'), std::string::npos);
}

TEST_F(state_store_test, a_file_that_is_not_a_state_is_kept_aside_reported_and_never_overwritten) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"{not json", "not JSON"},
        {"[]", "not a JSON object"},
        {R"({"version": 2, "persistent_data": {}, "channels": {}})", "no \"version\": 1"},
        {R"({"version": 1, "channels": {}})", "no \"persistent_data\" object"},
        {R"({"version": 1, "persistent_data": {"a": 1}, "channels": {}})",
         "persistent value \"a\" is not a text"},
        {R"({"version": 1, "persistent_data": {}, "channels": {"x": {}}})",
         "channel id \"x\" is not a number"},
        {R"({"version": 1, "persistent_data": {}, "channels": {"1": {"name": "n"}}})",
         "channel 1 lacks its name or definition"},
    };
    for (const auto& [content, reason] : cases) {
        SCOPED_TRACE(reason);
        test_support::temporary_directory place;
        const auto file = place.path() / state_file_name(identity());
        std::ofstream(file) << content;
        std::ostringstream told;
        sensor_state state(place.path(), identity(), 1s, told);
        EXPECT_EQ(state.record(), sensor_record{});
        const auto names = names_in(place.path());
        ASSERT_EQ(names.size(), 2u) << "the lock and the file kept aside";
        const auto aside = place.path() / names[0];
        EXPECT_TRUE(aside.string().starts_with(file.string() + ".corrupt-")) << aside;
        EXPECT_EQ(content_of(aside), content);
        EXPECT_EQ(told.str(), "s7host: the state file " + file.string() + " is not a valid state (" + reason +
                                  "); kept it as " + aside.string() + " and started this sensor afresh\n");
        state.save();
        EXPECT_EQ(content_of(aside), content) << "saving writes a new file, the old one stays";
    }
}

TEST_F(state_store_test, an_unusable_directory_is_named_with_the_systems_reason) {
    // A path below a regular file cannot be a directory, whoever runs the test (root included).
    const auto blocker = directory.path() / "plain-file";
    std::ofstream(blocker) << "x";
    struct case_ {
        std::filesystem::path state_directory;
        std::string expected;
    };
    const std::vector<case_> cases{
        {blocker / "state", "cannot create the state directory " + (blocker / "state").string() +
                                ": Not a directory (choose another directory with --state-dir DIR)"},
        {blocker, "cannot create the state directory " + blocker.string() +
                      ": Not a directory (choose another directory with --state-dir DIR)"},
    };
    for (const auto& [state_directory, expected] : cases) {
        SCOPED_TRACE(state_directory);
        try {
            sensor_state state(state_directory, identity(), 1s, notices);
            ADD_FAILURE() << "accepted";
        } catch (const state_error& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

TEST_F(state_store_test, a_second_user_of_the_same_sensor_waits_for_the_lock_and_gives_up_at_the_timeout) {
    const sensor_state holder(directory.path(), identity(), 1s, notices);
    try {
        sensor_state waiter(directory.path(), identity(), 50ms, notices);
        ADD_FAILURE() << "the lock was not held";
    } catch (const state_error& error) {
        EXPECT_EQ(error.what(),
                  "the state file " + holder.file().string() +
                      " stays locked by another s7host run of this sensor (waited 0 s, the timeout "
                      "setting); give this run another --id or --state-dir");
    }
    EXPECT_EQ(notices.str(), "s7host: waiting for " + holder.file().string() +
                                 ": another s7host run of this sensor holds it\n");
    const sensor_state other_target(directory.path(), identity("103"), 50ms, notices);  // not blocked
}

TEST(default_state_directory, follows_the_xdg_base_directories) {
    struct case_ {
        std::map<std::string, const char*> environment;
        std::string expected;
    };
    const std::vector<case_> cases{
        {{{"XDG_STATE_HOME", "/var/lib/me"}, {"HOME", "/home/me"}}, "/var/lib/me/s7host"},
        {{{"XDG_STATE_HOME", "relative"}, {"HOME", "/home/me"}}, "/home/me/.local/state/s7host"},
        {{{"HOME", "/home/me"}}, "/home/me/.local/state/s7host"},
        {{},
         "no state directory: neither XDG_STATE_HOME nor HOME is set (choose another directory with "
         "--state-dir DIR)"},
    };
    for (const auto& [environment, expected] : cases) {
        SCOPED_TRACE(expected);
        const auto variable = [&environment](const char* name) -> const char* {
            const auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second;
        };
        try {
            EXPECT_EQ(default_state_directory(variable), expected);
        } catch (const state_error& error) {
            EXPECT_EQ(error.what(), expected);
        }
    }
}

}  // namespace
