#include <gtest/gtest.h>

#include <thread>

#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "tests/support/s7_sensor_scans.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::cpu_state;
using korvel::probekit::simulators::s7_cpu_simulator;
using namespace s7_sensor_scans;

class s7_end_to_end_test : public ::testing::Test {
protected:
    s7_cpu_simulator plc;
    module_library module{MODULE_PATH};

    void SetUp() override { ASSERT_EQ(module.initialize(), 0); }

    json block(const std::string& kind, const json& overrides = json::object(),
               const json& persistent = json::object()) {
        return s7_sensor_scans::block(kind, plc.port(), overrides, persistent);
    }

    void create(int id, const json& sensor_block) {
        ASSERT_EQ(module.create_sensor(id, sensor_block.dump()), 0);
    }

    json scan(int id, std::vector<json>* others = nullptr) {
        return s7_sensor_scans::scan(module, id, others);
    }

    // Everything a sensor sent but its log lines, byte for byte, with its own id written as 0.
    std::vector<std::string> messages_without_logs(int id) {
        std::vector<std::string> kept;
        const std::string own_id = "\"sensor_id\":" + std::to_string(id) + ",";
        for (auto text : module.take_messages()) {
            if (text.starts_with(R"({"type":"log")")) continue;
            if (const auto at = text.find(own_id); at != std::string::npos)
                text.replace(at, own_id.size(), "\"sensor_id\":0,");
            kept.push_back(text);
        }
        return kept;
    }
};

TEST_F(s7_end_to_end_test, cpu_status_follows_the_cpu_from_run_to_stop) {
    create(1, block(cpu_status, {{"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "100"}}));
    const auto running = scan(1);
    ASSERT_EQ(running.at("type"), "scan_result") << running.dump();
    // run_solo, ratio, cycle times, and 1: the simulated buffer holds no cycle-time overrun.
    EXPECT_EQ(values(running), (std::map<int, json>{{0, 8}, {1, 0.0}, {2, 0}, {3, 0}, {4, 1}, {5, 1}}));

    plc.set_cpu_state(cpu_state::stop);
    EXPECT_EQ(values(scan(1))[0], 4) << "stop_internal";
}

// A busy host: creates of one id racing each other, then scans of that LED sensor from several threads.
// One create wins and nobody else's failure lands on it; the first scan announces a channel per LED
// with its lookup, the scans take turns, each answers once, and no later scan announces again.
TEST_F(s7_end_to_end_test, same_id_creates_and_led_scans_from_many_threads) {
    std::vector<int> codes(4);
    {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < codes.size(); ++i)
            threads.emplace_back([&, i] { codes[i] = module.create_sensor(1, block(led_status).dump()); });
        for (auto& thread : threads) thread.join();
    }
    EXPECT_EQ(std::ranges::count(codes, 0), 1);
    EXPECT_EQ(std::ranges::count(codes, 17), 3);
    for (const auto& text : module.take_messages())
        EXPECT_FALSE(text.starts_with(R"({"type":"error_result")"));

    std::vector<json> others;
    const auto first = scan(1, &others);
    ASSERT_EQ(first.at("type"), "scan_result") << first.dump();
    std::map<int, std::string> lookups;
    for (const auto& message : others) {
        if (message.at("type") == "dynamic_channel")
            lookups[message.at("channel").at("id")] = message.at("channel").at("lookup");
    }
    EXPECT_EQ(lookups, (std::map<int, std::string>{{0x01, "led_indicates_error"},
                                                   {0x04, "led_indicates_ok"},
                                                   {0x05, "led_indicates_error"},
                                                   {0x06, "led_indicates_warning"},
                                                   {0x0b, "led_indicates_error"},
                                                   {0x0c, "led_indicates_error"},
                                                   {0x15, "led_indicates_warning"}}));
    EXPECT_EQ(values(first).size(), 7u);
    EXPECT_EQ(values(first)[0x04], 2) << "RUN is lit";
    EXPECT_EQ(values(first)[0x01], 1);

    {
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] {
                for (int j = 0; j < 5; ++j) EXPECT_EQ(module.scan(1), 0);
            });
        }
        for (auto& thread : threads) thread.join();
    }
    std::map<std::string, int> counts;
    for (const auto& text : module.take_messages()) ++counts[json::parse(text).at("type").get<std::string>()];
    EXPECT_EQ(counts["scan_result"], 20);
    EXPECT_EQ(counts["error_result"], 0);
    EXPECT_EQ(counts["dynamic_channel"], 0);
}

TEST_F(s7_end_to_end_test, restarts_are_counted_once_also_across_a_module_restart) {
    create(1, block(restart_overview));
    std::vector<json> others;
    const auto first = scan(1, &others);
    ASSERT_EQ(first.at("type"), "scan_result") << first.dump();
    EXPECT_EQ(values(first)[0], 7) << "warm_manual";
    EXPECT_EQ(values(first)[1], 3);
    EXPECT_EQ(values(first)[6], 3) << "manual warm restarts";

    const auto second = scan(1);
    EXPECT_EQ(values(second)[0], 1) << "no_restarts";
    EXPECT_EQ(values(second)[1], 3);

    // The host keeps the persistent values and hands them to the next module instance.
    json persistent = json::object();
    for (const auto& message : others) {
        if (message.at("type") == "persistent_data")
            persistent[message.at("key").get<std::string>()] = message.at("value");
    }
    ASSERT_EQ(module.cleanup(), 0);
    ASSERT_EQ(module.initialize(), 0);
    create(1, block(restart_overview, json::object(), persistent));
    const auto after_restart = scan(1);
    EXPECT_EQ(values(after_restart)[0], 1);
    EXPECT_EQ(values(after_restart)[1], 3);
}

TEST_F(s7_end_to_end_test, a_vanished_cpu_fails_fast_for_a_second_and_then_the_next_scan_reconnects) {
    create(1, block(cpu_status, {{"connection_section.receive_timeout_ms", "5000"}}));
    ASSERT_EQ(scan(1).at("type"), "scan_result");

    plc.stop();
    const auto failed = scan(1);
    ASSERT_EQ(failed.at("type"), "error_result");
    // The read on the dropped link fails, and so does the one reconnect it earns: nobody listens.
    const std::string id = failed.at("message").at("id");
    EXPECT_TRUE(
        id.starts_with("#:libs7.error.connection_failed[127.0.0.1," + std::to_string(plc.port()) + ","))
        << id;
    EXPECT_EQ(failed.at("response_code"), 3);

    // Within the back-off (a second, less than the receive timeout) the link is not tried again: the
    // CPU is back, yet the scan ends at once with the failure that started the back-off.
    plc.start();
    EXPECT_EQ(scan(1).at("message"), failed.at("message"));
    EXPECT_EQ(plc.client_count(), 0);

    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(scan(1).at("type"), "scan_result");
}

TEST_F(s7_end_to_end_test, sensors_with_equal_settings_share_one_link_and_a_new_timeout_opens_another) {
    create(1, block(cpu_status));
    create(2, block(restart_overview));
    create(3, block(led_status));
    for (int id : {1, 2, 3}) EXPECT_EQ(scan(id).at("type"), "scan_result");
    EXPECT_EQ(plc.client_count(), 1);

    create(4, block(cpu_status, {{"connection_section.receive_timeout_ms", "2000"}}));
    EXPECT_EQ(scan(4).at("type"), "scan_result");
    EXPECT_EQ(plc.client_count(), 2);
}

TEST_F(s7_end_to_end_test, bad_settings_and_unknown_hosts_end_with_their_reason) {
    EXPECT_EQ(module.create_sensor(1, block(cpu_status, {{"connection_section.rack", "8"}}).dump()), 2);
    std::string reason;
    for (const auto& text : module.take_messages()) {
        const auto message = json::parse(text);
        if (message.at("type") == "error_result") reason = message.at("message").at("text");
    }
    EXPECT_EQ(
        reason,
        "Setting \"Rack\" (connection_section.rack): Setting value 8 is bigger than the allowed value of 7.");

    // A value the host marks secret is quoted nowhere: not in the error, not in the sensor's log.
    json secret = block(cpu_status, {{"connection_section.port", "765432"}, {"logging", "enabled"}});
    secret["secure_settings"] = {"connection_section.port"};
    EXPECT_EQ(module.create_sensor(3, secret.dump()), 2);
    for (const auto& text : module.take_messages()) EXPECT_EQ(text.find("765432"), std::string::npos) << text;

    json missing_timeout = block(cpu_status);
    missing_timeout["settings"].erase("timeout");
    EXPECT_EQ(module.create_sensor(2, missing_timeout.dump()), 2);
    EXPECT_EQ(module.scan(2), 16) << "nothing half-built stays behind";

    // A label over 63 bytes cannot go into a DNS query: the resolver refuses the name without asking a server.
    const std::string unresolvable = "no-such-plc." + std::string(64, 'x') + ".invalid";
    create(4, block(cpu_status, {{"host", unresolvable}}));
    EXPECT_EQ(scan(4).at("message").at("id"), "#:error.could_not_resolve_host_name[" + unresolvable + "]");
}

// A sensor whose log is off skips the formatting for it, and must still say exactly the same.
TEST_F(s7_end_to_end_test, messages_are_byte_identical_with_logging_on_and_off) {
    for (const char* kind : {cpu_status, restart_overview, led_status}) {
        SCOPED_TRACE(kind);
        module.take_messages();
        create(1, block(kind, {{"logging", "enabled"}}));
        const auto created_logging = messages_without_logs(1);
        create(2, block(kind, {{"logging", "disabled"}}));
        EXPECT_EQ(messages_without_logs(2), created_logging);
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(module.scan(1), 0);
            const auto logging = messages_without_logs(1);
            EXPECT_EQ(module.scan(2), 0);
            EXPECT_EQ(messages_without_logs(2), logging) << "scan " << round;
            EXPECT_FALSE(logging.empty());
        }
        EXPECT_EQ(module.destroy_sensor(1), 0);
        EXPECT_EQ(module.destroy_sensor(2), 0);
    }
}

}  // namespace
