#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "host/harness/module_library.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "tests/support/scripted_s7_peer.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::s7_cpu_simulator;
using korvel::probekit::test_support::bytes;
using korvel::probekit::test_support::iso_fragments;
using korvel::probekit::test_support::iso_telegram;
using korvel::probekit::test_support::peer_behaviour;
using korvel::probekit::test_support::scripted_s7_peer;
using korvel::probekit::test_support::szl_first_slice;
using korvel::probekit::test_support::szl_list;
using json = nlohmann::json;
using std::chrono::steady_clock;

constexpr const char* cpu_status = "simatic_s7_300_400_cpu_status_sensor";
constexpr const char* restart_overview = "simatic_s7_300_400_cpu_restart_overview_sensor";
constexpr const char* led_status = "simatic_s7_300_400_led_status_sensor";

json block(const std::string& kind, std::uint16_t port, const json& overrides = json::object()) {
    json settings{{"host", "127.0.0.1"}, {"timeout", "60"}, {"connection_section.rack", "0"},
                  {"connection_section.slot", "2"}, {"connection_section.port", std::to_string(port)},
                  {"connection_section.receive_timeout_ms", "1000"}, {"connection_section.retry", "noretry"},
                  {"connection_section.retry_delay_ms", "0"}};
    settings.merge_patch(overrides);
    return {{"kind", kind}, {"settings", settings}, {"channels", json::object()}, {"persistent_data", json::object()}};
}

// The scan or error result of each sensor among the messages.
std::map<int, json> results(const std::vector<std::string>& messages) {
    std::map<int, json> found;
    for (const auto& text : messages) {
        auto message = json::parse(text);
        if (message.at("type") == "scan_result" || message.at("type") == "error_result") {
            found[message.at("sensor_id")] = message;
        }
    }
    return found;
}

// Scans one sensor; returns its result, null when there was none.
json scan(module_library& module, int id) {
    module.take_messages();
    EXPECT_EQ(module.scan(id), 0);
    return results(module.take_messages())[id];
}

std::string type_of(const json& result) {
    return result.is_object() ? result.at("type").get<std::string>() : "no result";
}

// LEDs 1 (off), 4 (on), 5 (flashing) and 6 (flashing fast), with their channel values.
const bytes led_records{0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00, 0x00, 0x05, 0x01, 0x01, 0x00, 0x06, 0x01, 0x02};
const std::map<int, json> led_values{{1, 1}, {4, 2}, {5, 3}, {6, 4}};

class hostile_peer_test : public ::testing::Test {
protected:
    module_library module{MODULE_PATH};

    void SetUp() override { ASSERT_EQ(module.initialize(), 0); }

    void create(int id, const json& sensor_block) { ASSERT_EQ(module.create_sensor(id, sensor_block.dump()), 0); }
};

TEST_F(hostile_peer_test, an_led_list_is_read_whole_and_from_fragments) {
    const bytes answer = szl_first_slice(0x0074, 0, szl_list(4, led_records), false);
    // In one telegram, in three, and in six: each fragment must land right after the previous ones.
    for (const auto& cuts : {std::vector<std::size_t>{}, {10, 20}, {8, 16, 24, 32, 40}}) {
        scripted_s7_peer peer(peer_behaviour::scripted, {iso_fragments(answer, cuts)});
        create(1, block(led_status, peer.port()));
        const auto result = scan(module, 1);
        ASSERT_EQ(type_of(result), "scan_result") << cuts.size() + 1 << " fragments: " << result.dump();
        std::map<int, json> values;
        for (const auto& value : result.at("channels")) values[value.at("id")] = value.at("value");
        EXPECT_EQ(values, led_values) << cuts.size() + 1 << " fragments";
        EXPECT_EQ(module.destroy_sensor(1), 0);
    }
}

// The receive wait blocks until data comes: a reply that is late and then arrives in two halves is
// taken whole.
TEST_F(hostile_peer_test, a_late_reply_in_two_halves_arrives_intact) {
    scripted_s7_peer peer(peer_behaviour::delayed,
                          {iso_telegram(szl_first_slice(0x0074, 0, szl_list(4, led_records), false))});
    create(1, block(led_status, peer.port()));
    const auto result = scan(module, 1);
    ASSERT_EQ(type_of(result), "scan_result") << result.dump();
    std::map<int, json> values;
    for (const auto& value : result.at("channels")) values[value.at("id")] = value.at("value");
    EXPECT_EQ(values, led_values);
}

// While one PLC's connect hangs until its receive timeout, a scan of another PLC neither waits for it
// nor fails; and once that connect has failed, the sick PLC's next scan fails at once.
TEST_F(hostile_peer_test, a_healthy_plc_scans_while_another_plcs_link_is_failing) {
    scripted_s7_peer sick(peer_behaviour::silent);
    s7_cpu_simulator healthy;
    create(1, block(cpu_status, sick.port(), {{"connection_section.receive_timeout_ms", "2000"}}));
    create(2, block(cpu_status, healthy.port()));

    std::atomic<bool> sick_scan_done{false};
    std::thread sick_scan([&] {
        module.scan(1);
        sick_scan_done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the sick scan is connecting by now
    EXPECT_EQ(type_of(scan(module, 2)), "scan_result");
    EXPECT_FALSE(sick_scan_done) << "the healthy scan waited for the sick one";
    sick_scan.join();

    const auto start = steady_clock::now();
    const auto again = scan(module, 1);
    EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(1000));
    const std::string id = again.at("message").at("id");
    EXPECT_TRUE(id.starts_with("#:libs7.error.connection_failed[")) << id;
}

struct hostile_case {
    const char* name;
    peer_behaviour behaviour;
    const char* kind;
    // How the error's message id starts.
    const char* message_id;
};

class each_hostile_peer_test : public hostile_peer_test, public ::testing::WithParamInterface<hostile_case> {};

TEST_P(each_hostile_peer_test, ends_the_scan_in_an_error_result) {
    const auto& hostile = GetParam();
    // The close-after peer sends the connection confirm (22 bytes) and part of the PDU negotiation.
    scripted_s7_peer peer(hostile.behaviour, {}, 30);
    create(1, block(hostile.kind, peer.port()));
    const auto result = scan(module, 1);
    ASSERT_EQ(type_of(result), "error_result") << result.dump();
    const std::string id = result.at("message").at("id");
    EXPECT_EQ(id.rfind(hostile.message_id, 0), 0u) << id;
}

INSTANTIATE_TEST_SUITE_P(
    peers, each_hostile_peer_test,
    ::testing::Values(
        // The list grows past what snap7 can hold: reported as too large, never retried.
        hostile_case{"never_ending_chain", peer_behaviour::never_ending_chain, led_status,
                     "#:libs7.error.szl_too_large["},
        hostile_case{"short_first_slice", peer_behaviour::short_first_slice, cpu_status,
                     "#:libs7.error.read_szl_failed["},
        hostile_case{"garbage_after_connect", peer_behaviour::garbage_after_connect, restart_overview,
                     "#:libs7.error.connection_failed["},
        hostile_case{"silent", peer_behaviour::silent, cpu_status, "#:libs7.error.connection_failed["},
        hostile_case{"trickle", peer_behaviour::trickle, led_status, "#:libs7.error.connection_failed["},
        hostile_case{"close_after_bytes", peer_behaviour::close_after_bytes, cpu_status,
                     "#:libs7.error.connection_failed["}),
    [](const ::testing::TestParamInfo<hostile_case>& test) { return std::string(test.param.name); });

// A peer that closes the link in the middle of a list reply, under a minute's receive timeout and a
// scan time-out of two: the missing bytes can never come, so the read fails as soon as the link has
// ended, whether that is right after the reply's ISO header or inside its S7 data.
TEST_F(hostile_peer_test, a_peer_closing_mid_reply_ends_the_scan_long_before_its_waits) {
    const bytes reply = iso_telegram(szl_first_slice(0x0074, 0, szl_list(4, led_records), false));
    // Connection confirm (22 bytes) and PDU negotiation (27) come first.
    constexpr std::size_t handshake = 49;
    for (const std::size_t cut : {std::size_t{7}, std::size_t{20}}) {
        scripted_s7_peer peer(peer_behaviour::close_after_bytes, {reply}, handshake + cut);
        create(1, block(led_status, peer.port(),
                        {{"timeout", "120"}, {"connection_section.receive_timeout_ms", "60000"}}));
        const auto start = steady_clock::now();
        const auto result = scan(module, 1);
        EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(10)) << "closed " << cut << " bytes into the reply";
        ASSERT_EQ(type_of(result), "error_result") << result.dump();
        const std::string id = result.at("message").at("id");
        EXPECT_EQ(id.rfind("#:libs7.error.read_szl_failed[", 0), 0u) << id;
        EXPECT_EQ(module.destroy_sensor(1), 0);
    }
}

// A peer that never answers, with a scan time-out of `timeout` s and waits of 5 s per receive and a
// retry after 1 s.
json silent_peer_block(const std::string& kind, std::uint16_t port, int timeout) {
    return block(kind, port,
                 {{"timeout", std::to_string(timeout)}, {"connection_section.receive_timeout_ms", "5000"},
                  {"connection_section.retry", "retry"}, {"connection_section.retry_delay_ms", "1000"}});
}

// The error result of a scan that ran out of time says so, whatever it was waiting for.
bool says_time_ran_out(const json& result, int timeout) {
    const std::string text = result.at("message").at("text");
    return text.starts_with("An error occurred. The scan did not finish within its time-out of " +
                            std::to_string(timeout) + " s.");
}

// The connect alone would outlast the scan's 3 s.
TEST_F(hostile_peer_test, a_silent_peer_ends_the_scan_by_its_timeout) {
    scripted_s7_peer peer(peer_behaviour::silent);
    create(1, silent_peer_block(cpu_status, peer.port(), 3));
    const auto start = steady_clock::now();
    const auto result = scan(module, 1);
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(4));
    EXPECT_EQ(type_of(result), "error_result") << result.dump();
    EXPECT_TRUE(says_time_ran_out(result, 3)) << result.dump();
}

// Four sensors wait for one link whose connect fails after its 5 s receive timeout: they all end
// then with that one failure, none tries the link again or waits out its own 10 s time-out.
TEST_F(hostile_peer_test, sensors_waiting_for_a_silent_peer_all_end_with_its_one_connect_failure) {
    scripted_s7_peer peer(peer_behaviour::silent);
    const std::map<int, const char*> kinds{{1, cpu_status}, {2, led_status}, {3, restart_overview}, {4, cpu_status}};
    for (const auto& [id, kind] : kinds) create(id, silent_peer_block(kind, peer.port(), 10));

    module.take_messages();
    std::map<int, steady_clock::duration> took;
    std::map<int, int> answers;
    std::vector<std::thread> scans;
    std::mutex mutex;
    for (const auto& entry : kinds) {
        const int id = entry.first;
        scans.emplace_back([&, id] {
            const auto start = steady_clock::now();
            const int answer = module.scan(id);
            std::lock_guard lock(mutex);
            took[id] = steady_clock::now() - start;
            answers[id] = answer;
        });
    }
    for (auto& thread : scans) thread.join();

    const auto found = results(module.take_messages());
    const std::string expected = "#:libs7.error.connection_failed[127.0.0.1," + std::to_string(peer.port()) + ",";
    for (const auto& entry : kinds) {
        const int id = entry.first;
        EXPECT_EQ(answers[id], 0) << "sensor " << id;
        EXPECT_LT(took[id], std::chrono::seconds(9)) << "sensor " << id;
        ASSERT_EQ(found.count(id), 1u) << "sensor " << id;
        EXPECT_EQ(found.at(id).at("type"), "error_result") << found.at(id).dump();
        EXPECT_EQ(found.at(id).at("message"), found.at(1).at("message")) << "sensor " << id;
        const std::string message_id = found.at(id).at("message").at("id");
        EXPECT_TRUE(message_id.starts_with(expected)) << message_id;
    }
}

// In a child process holding 1,100 descriptors, so that every socket it opens lies above the 1,024
// an fd_set can hold: loads the module and scans a CPU status sensor against snap7's server.
// The exit status says how it went: 0 scan result, 1 error result, 2 no result, 3 setup failed.
int scan_above_1024_descriptors() {
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    const int null_device = open("/dev/null", O_RDONLY);
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0 || null_device < 0) return 3;
    for (int held = 1; held < 1100; ++held) {
        if (dup(null_device) < 0) return 3;
    }
    try {
        s7_cpu_simulator plc;
        module_library module(MODULE_PATH);
        if (module.initialize() != 0 || module.create_sensor(1, block(cpu_status, plc.port()).dump()) != 0) return 3;
        module.scan(1);
        const auto result = results(module.take_messages())[1];
        if (result.is_null()) return 2;
        return result.at("type") == "scan_result" ? 0 : 1;
    } catch (...) {
        return 3;
    }
}

TEST(many_descriptors_test, a_scan_succeeds_while_the_process_holds_1100_descriptors) {
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &limit), 0);
    if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < 1200) {
        GTEST_SKIP() << "the hard descriptor limit is " << limit.rlim_max;
    }
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(scan_above_1024_descriptors());
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the scanning process died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "0 scan result, 1 error result, 2 no result, 3 setup failed";
}

}  // namespace
