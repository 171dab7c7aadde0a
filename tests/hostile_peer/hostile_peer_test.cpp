#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "tests/support/s7_sensor_scans.hpp"
#include "tests/support/scripted_s7_peer.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::s7_cpu_simulator;
using namespace korvel::probekit::test_support;
using namespace s7_sensor_scans;
using std::chrono::steady_clock;

// A peer that never answers, with a scan time-out of `timeout` s and waits of 5 s per receive and a
// retry after 1 s.
json silent_peer_block(const std::string& kind, std::uint16_t port, int timeout) {
    return block(kind, port,
                 {{"timeout", std::to_string(timeout)},
                  {"connection_section.receive_timeout_ms", "5000"},
                  {"connection_section.retry", "retry"},
                  {"connection_section.retry_delay_ms", "1000"}});
}

// LEDs 1 (off), 4 (on), 5 (flashing) and 6 (flashing fast) in one list reply, and their channel values.
const bytes led_reply = szl_first_slice(0x0074, 0,
                                        szl_list(4, bytes{0x00, 0x01, 0x00, 0x00, 0x00, 0x04, 0x01, 0x00,
                                                          0x00, 0x05, 0x01, 0x01, 0x00, 0x06, 0x01, 0x02}),
                                        false);
const std::map<int, json> led_values{{1, 1}, {4, 2}, {5, 3}, {6, 4}};

class hostile_peer_test : public ::testing::Test {
protected:
    module_library module{MODULE_PATH};

    void SetUp() override { ASSERT_EQ(module.initialize(), 0); }

    // Creates sensor 1, scans it and destroys it; returns its result (an empty object when there was none).
    json scan_new_sensor(const json& sensor_block) {
        EXPECT_EQ(module.create_sensor(1, sensor_block.dump()), 0);
        const auto result = scan(module, 1);
        EXPECT_EQ(module.destroy_sensor(1), 0);
        return result;
    }
};

// The receive wait blocks until data comes: a reply in six telegrams, each fragment right after the
// previous ones, and one that is late and then arrives in two halves, are taken whole.
TEST_F(hostile_peer_test, a_reply_in_fragments_or_late_in_two_halves_arrives_intact) {
    scripted_s7_peer fragments(peer_behaviour::scripted, {iso_fragments(led_reply, {8, 16, 24, 32, 40})});
    scripted_s7_peer late(peer_behaviour::delayed, {iso_telegram(led_reply)});
    for (const auto* peer : {&fragments, &late}) {
        const auto result = scan_new_sensor(block(led_status, peer->port()));
        ASSERT_EQ(result.value("type", ""), "scan_result") << result.dump();
        EXPECT_EQ(values(result), led_values);
    }
}

// While one PLC's connect hangs until its receive timeout, a scan of another PLC neither waits for it
// nor fails; and once that connect has failed, the sick PLC's next scan fails at once.
TEST_F(hostile_peer_test, a_healthy_plc_scans_while_another_plcs_link_is_failing) {
    scripted_s7_peer sick(peer_behaviour::silent);
    s7_cpu_simulator healthy;
    ASSERT_EQ(
        module.create_sensor(
            1, block(cpu_status, sick.port(), {{"connection_section.receive_timeout_ms", "2000"}}).dump()),
        0);
    ASSERT_EQ(module.create_sensor(2, block(cpu_status, healthy.port()).dump()), 0);

    std::atomic<bool> sick_scan_done{false};
    std::thread sick_scan([&] {
        module.scan(1);
        sick_scan_done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the sick scan is connecting by now
    EXPECT_EQ(scan(module, 2).value("type", ""), "scan_result");
    EXPECT_FALSE(sick_scan_done) << "the healthy scan waited for the sick one";
    sick_scan.join();

    const auto start = steady_clock::now();
    const std::string id = scan(module, 1).at("message").at("id");
    EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_TRUE(id.starts_with("#:libs7.error.connection_failed[")) << id;
}

// Each ends the scan in an error result long before any configured wait could: a link that closes in
// the middle of a reply fails as soon as it has ended, under a minute's receive timeout.
TEST_F(hostile_peer_test, every_hostile_peer_ends_the_scan_in_an_error_result) {
    using enum peer_behaviour;
    const bytes endless_part(400, 0x11);  // a slice that fits the negotiated PDU of 480 bytes
    const std::vector<bytes> endless{
        iso_telegram(szl_first_slice(0x0074, 0, szl_list(4, endless_part), true)),
        iso_telegram(szl_next_slice(endless_part, true))};
    // A data length of 2 does not even cover the list's ID and index.
    const std::vector<bytes> short_slice{
        iso_telegram(szl_first_slice(0x0074, 0, szl_list(4, bytes(8)), false, 2))};
    const std::vector<bytes> reply{iso_telegram(led_reply)};
    // Connection confirm (22 bytes) and PDU negotiation (27) come before any reply.
    constexpr std::size_t handshake = 49;
    const json long_waits{{"timeout", "120"}, {"connection_section.receive_timeout_ms", "60000"}};
    const std::string failed = "#:libs7.error.connection_failed[", read = "#:libs7.error.read_szl_failed[";
    const struct {
        const char* name;
        peer_behaviour behaviour;
        std::vector<bytes> replies;
        std::size_t close_after;
        const char* kind;
        bool long_waits;
        std::string message_id;  // how the error's message id starts
    } cases[] = {
        // The list grows past what snap7 can hold: reported as too large, never retried.
        {"never-ending chain", scripted, endless, 0, led_status, false, "#:libs7.error.szl_too_large["},
        {"short first slice", scripted, short_slice, 0, cpu_status, false, read},
        {"garbage after connect", garbage_after_connect, {}, 0, restart_overview, false, failed},
        {"silent", silent, {}, 0, cpu_status, false, failed},
        {"trickle", trickle, {}, 0, led_status, false, failed},
        {"closed in the negotiation", close_after_bytes, {}, 30, cpu_status, false, failed},
        {"closed after the reply's ISO header", close_after_bytes, reply, handshake + 7, led_status, true,
         read},
        {"closed inside the reply's S7 data", close_after_bytes, reply, handshake + 20, led_status, true,
         read},
    };
    for (const auto& hostile : cases) {
        SCOPED_TRACE(hostile.name);
        scripted_s7_peer peer(hostile.behaviour, hostile.replies, hostile.close_after);
        const auto start = steady_clock::now();
        const auto result = scan_new_sensor(
            block(hostile.kind, peer.port(), hostile.long_waits ? long_waits : json::object()));
        EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(10));
        ASSERT_EQ(result.value("type", ""), "error_result") << result.dump();
        const std::string id = result.at("message").at("id");
        EXPECT_TRUE(id.starts_with(hostile.message_id)) << id;
    }
}

// The connect alone would outlast the scan's 3 s.
TEST_F(hostile_peer_test, a_silent_peer_ends_the_scan_by_its_timeout) {
    scripted_s7_peer peer(peer_behaviour::silent);
    const auto start = steady_clock::now();
    const auto result = scan_new_sensor(silent_peer_block(cpu_status, peer.port(), 3));
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(4));
    ASSERT_EQ(result.value("type", ""), "error_result") << result.dump();
    const std::string text = result.at("message").at("text");
    EXPECT_TRUE(text.starts_with("An error occurred. The scan did not finish within its time-out of 3 s."))
        << text;
}

// Four sensors want one link whose connect hangs until its 5 s receive timeout. One connects; the
// three others wait only as long as a healthy controller takes to accept a link, then end with a
// connect failure of their own instead of holding their threads for the rest of the connect (their
// 10 s time-out would allow it). Once the connect has failed, the next scan ends at once with it.
TEST_F(hostile_peer_test, scans_waiting_for_a_hung_connect_give_up_after_its_patience) {
    scripted_s7_peer peer(peer_behaviour::silent);
    const std::map<int, const char*> kinds{
        {1, cpu_status}, {2, led_status}, {3, restart_overview}, {4, cpu_status}};
    for (const auto& [id, kind] : kinds)
        ASSERT_EQ(module.create_sensor(id, silent_peer_block(kind, peer.port(), 10).dump()), 0);

    module.take_messages();
    std::map<int, steady_clock::duration> took;
    std::vector<std::thread> scans;
    std::mutex mutex;
    for (const auto& entry : kinds) {
        scans.emplace_back([&, id = entry.first] {
            const auto start = steady_clock::now();
            EXPECT_EQ(module.scan(id), 0);
            std::lock_guard lock(mutex);
            took[id] = steady_clock::now() - start;
        });
    }
    for (auto& thread : scans) thread.join();

    const auto found = results(module.take_messages());
    const std::string expected =
        "#:libs7.error.connection_failed[127.0.0.1," + std::to_string(peer.port()) + ",";
    ASSERT_EQ(found.size(), kinds.size());
    std::optional<json> connect_failure;
    for (const auto& [id, result] : found) {
        SCOPED_TRACE("sensor " + std::to_string(id));
        EXPECT_EQ(result.at("type"), "error_result") << result.dump();
        EXPECT_TRUE(result.at("message").at("id").get<std::string>().starts_with(expected)) << result.dump();
        const std::string text = result.at("message").at("text");
        if (text.ends_with("Another scan is connecting to it, and the link did not come up within 200 ms.")) {
            // Measured from the connect's start, which came just after theirs.
            EXPECT_GE(took[id], std::chrono::milliseconds(150)) << "a young connect is waited for";
            EXPECT_LT(took[id], std::chrono::seconds(2)) << "released long before the connect ends";
        } else {
            EXPECT_FALSE(connect_failure) << "one scan connects";
            connect_failure = result.at("message");
            EXPECT_GE(took[id], std::chrono::seconds(4)) << "the connect ran to its receive timeout";
        }
    }
    ASSERT_TRUE(connect_failure);
    const auto start = steady_clock::now();
    EXPECT_EQ(scan(module, 2).at("message"), *connect_failure);
    EXPECT_LT(steady_clock::now() - start, std::chrono::seconds(1));
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
        if (module.initialize() != 0 || module.create_sensor(1, block(cpu_status, plc.port()).dump()) != 0)
            return 3;
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
