// A sensor's state between runs, where the end-to-end test does not reach: the round trip, a file per
// target and an unusable directory are run there; here file names, files kept aside, the lock and the
// default directory.

#include "host/cli/state_store.hpp"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;
using namespace std::chrono_literals;

constexpr const char* stored_kind = "simatic_s7_1200_1500_hardware_status_sensor";

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

TEST(state_file_name, keeps_a_host_name_from_leaving_the_directory) {
    auto odd_host = identity();
    odd_host.target[0].value = "../../etc/x y";
    EXPECT_EQ(state_file_name(odd_host).find('/'), std::string::npos);
    EXPECT_NE(state_file_name(odd_host), state_file_name(identity()));
}

TEST(sensor_state, a_file_that_is_not_a_state_is_kept_aside_reported_and_never_overwritten) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"{not json", "not JSON"},
        {R"({"version": 2, "persistent_data": {}, "channels": {}})", "no \"version\": 1"},
        {R"({"version": 1, "channels": {}})", "no \"persistent_data\" object"},
        {R"({"version": 1, "persistent_data": {"a": 1}, "channels": {}})",
         "persistent value \"a\" is not a text"},
        {R"({"version": 1, "persistent_data": {}, "channels": {"x": {}}})",
         "channel id \"x\" is not a number"},
        {R"({"version": 1, "persistent_data": {}, "channels": {"1": {"name": "n"}}})",
         "channel 1 lacks its name or definition"},
        {R"({"version": 1, "persistent_data": {}, "channels": {}, "held": []})", "\"held\" is not an object"},
        {R"({"version": 1, "persistent_data": {}, "channels": {},
             "held": {"0": {"state": "ok", "value": 1, "text": "x", "since": 1}}})",
         "held channel 0 lacks its state, value, text or time"},
        {R"({"version": 1, "persistent_data": {}, "channels": {},
             "held": {"0": {"state": "error", "value": 1, "text": "x", "since": 4000000001}}})",
         "held channel 0 lacks its state, value, text or time"},
    };
    for (const auto& [content, reason] : cases) {
        test_support::temporary_directory place;
        const auto file = place.path() / state_file_name(identity());
        std::ofstream(file) << content;
        std::ostringstream told;
        sensor_state state(place.path(), identity(), 1s, told);
        EXPECT_EQ(state.record(), sensor_record{});
        const auto names = names_in(place.path());
        ASSERT_EQ(names.size(), 2u) << "the lock and the file kept aside: " << reason;
        const auto aside = place.path() / names[0];
        EXPECT_TRUE(aside.string().starts_with(file.string() + ".corrupt-")) << aside;
        EXPECT_EQ(content_of(aside), content);
        EXPECT_EQ(told.str(), "s7host: the state file " + file.string() + " is not a valid state (" + reason +
                                  "); kept it as " + aside.string() + " and started this sensor afresh\n");
        state.save();
        EXPECT_EQ(content_of(aside), content) << "saving writes a new file, the old one stays";
    }
}

TEST(sensor_state, a_second_user_of_the_same_sensor_waits_for_the_lock_and_gives_up_at_the_timeout) {
    const test_support::temporary_directory directory;
    std::ostringstream notices;
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

// A save that cannot finish (a full disk, a killed run) must leave the last state whole: the new one
// is written beside the file and renamed over it. A file size limit makes the write fail halfway; it
// is set in a child process, so this process keeps writing freely.
TEST(sensor_state, a_save_that_fails_halfway_leaves_the_old_state_readable) {
    const test_support::temporary_directory place;
    std::ostringstream notices;
    sensor_record saved;
    {
        sensor_state state(place.path(), identity(), 1s, notices);
        state.record().persistent_data = {{"next_channel_id", "7"}, {"42", "5"}};
        state.save();
        saved = state.record();
    }
    const auto file = place.path() / state_file_name(identity());
    const std::string saved_content = content_of(file);
    const auto names_before = names_in(place.path());

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::signal(SIGXFSZ, SIG_IGN);
        const rlim_t largest = saved_content.size() + 64;
        const rlimit limit{largest, largest};
        int code = ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? 2 : 3;
        try {
            sensor_state state(place.path(), identity(), 1s, notices);
            state.record().persistent_data["large"] = std::string(100000, 'x');
            state.save();
        } catch (const state_error&) {
            code = 0;
        }
        ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the save reports that it failed";
    EXPECT_EQ(content_of(file), saved_content);
    EXPECT_EQ(names_in(place.path()), names_before) << "nothing left behind";
    sensor_state again(place.path(), identity(), 1s, notices);
    EXPECT_EQ(again.record(), saved);
    EXPECT_EQ(notices.str(), "");
}

TEST(sensor_state, keeps_held_problems_across_runs) {
    const test_support::temporary_directory directory;
    std::ostringstream notices;
    const held_channel problem{severity::error, 7, "Warm Manual",
                               std::chrono::system_clock::time_point(std::chrono::seconds(1'800'000'000))};
    {
        sensor_state state(directory.path(), identity(), 1s, notices);
        state.record().held[3] = problem;
        state.save();
    }
    sensor_state again(directory.path(), identity(), 1s, notices);
    EXPECT_EQ(again.record().held, (std::map<int, held_channel>{{3, problem}}));
    EXPECT_EQ(notices.str(), "");
}

TEST(preferred_state_directory, follows_the_xdg_base_directories) {
    const std::vector<std::pair<std::map<std::string, const char*>, std::optional<std::filesystem::path>>>
        cases{
            {{{"XDG_STATE_HOME", "/var/lib/me"}, {"HOME", "/home/me"}}, "/var/lib/me/s7host"},
            {{{"XDG_STATE_HOME", "relative"}, {"HOME", "/home/me"}}, "/home/me/.local/state/s7host"},
            {{{"HOME", ""}}, std::nullopt},
        };
    for (const auto& [environment, expected] : cases) {
        const auto variable = [&environment](const char* name) -> const char* {
            const auto found = environment.find(name);
            return found == environment.end() ? nullptr : found->second;
        };
        EXPECT_EQ(preferred_state_directory(variable), expected);
    }
}

}  // namespace
