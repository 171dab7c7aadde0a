#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "host/harness/module_library.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::cpu_state;
using korvel::probekit::simulators::s7_cpu_simulator;
using json = nlohmann::json;

constexpr const char* cpu_status = "simatic_s7_300_400_cpu_status_sensor";
constexpr const char* restart_overview = "simatic_s7_300_400_cpu_restart_overview_sensor";
constexpr const char* led_status = "simatic_s7_300_400_led_status_sensor";

class s7_end_to_end_test : public ::testing::Test {
protected:
    s7_cpu_simulator plc;
    std::unique_ptr<module_library> module = std::make_unique<module_library>(MODULE_PATH);

    void SetUp() override { ASSERT_EQ(module->initialize(), 0); }

    json block(const std::string& kind, const json& overrides = json::object(),
               const json& persistent = json::object()) {
        json settings{{"host", "127.0.0.1"},
                      {"timeout", "60"},
                      {"connection_section.rack", "0"},
                      {"connection_section.slot", "2"},
                      {"connection_section.port", std::to_string(plc.port())},
                      {"connection_section.receive_timeout_ms", "1000"},
                      {"connection_section.retry", "noretry"},
                      {"connection_section.retry_delay_ms", "0"}};
        settings.merge_patch(overrides);
        return {{"kind", kind},
                {"settings", settings},
                {"channels", json::object()},
                {"persistent_data", persistent}};
    }

    void create(int id, const json& sensor_block) {
        ASSERT_EQ(module->create_sensor(id, sensor_block.dump()), 0);
    }

    // Scans and returns the one scan or error result, with every other message of the scan in `others`.
    json scan(int id, std::vector<json>* others = nullptr) {
        module->take_messages();
        EXPECT_EQ(module->scan(id), 0);
        json result;
        for (const auto& text : module->take_messages()) {
            auto message = json::parse(text);
            if (message.at("type") == "scan_result" || message.at("type") == "error_result") {
                EXPECT_TRUE(result.is_null()) << "one result per scan";
                result = message;
            } else if (others != nullptr) {
                others->push_back(message);
            }
        }
        return result;
    }

    // Channel id to value; an absent channel reads as null.
    static std::map<int, json> values(const json& result) {
        std::map<int, json> found;
        for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
        return found;
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
    plc.set_cpu_state(cpu_state::run);
    EXPECT_EQ(values(scan(1))[0], 8);
}

TEST_F(s7_end_to_end_test, led_sensor_announces_one_channel_per_reported_led) {
    create(1, block(led_status));
    std::vector<json> others;
    const auto result = scan(1, &others);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    std::map<int, std::string> lookups;
    for (const auto& message : others) {
        if (message.at("type") == "dynamic_channel")
            lookups[message.at("channel").at("id")] = message.at("channel").at("lookup");
    }
    const std::map<int, std::string> expected{{0x01, "led_indicates_error"},  {0x04, "led_indicates_ok"},
                                              {0x05, "led_indicates_error"},  {0x06, "led_indicates_warning"},
                                              {0x0b, "led_indicates_error"},  {0x0c, "led_indicates_error"},
                                              {0x15, "led_indicates_warning"}};
    EXPECT_EQ(lookups, expected);
    EXPECT_EQ(result.at("channels").size(), 7u);
    EXPECT_EQ(values(result)[0x04], 2) << "RUN is lit";
    EXPECT_EQ(values(result)[0x01], 1);
}

// A busy host: creates of one id racing each other, then scans of one sensor from several threads.
// One create wins and nobody else's failure lands on it; the scans take turns, each answers once, and
// the channels are announced by the first scan only.
TEST_F(s7_end_to_end_test, same_id_creates_and_scans_from_many_threads) {
    module->take_messages();
    std::vector<int> codes(4);
    {
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            threads.emplace_back([&, i] { codes[i] = module->create_sensor(1, block(led_status).dump()); });
        }
        for (auto& thread : threads) thread.join();
    }
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 0), 1);
    EXPECT_EQ(std::count(codes.begin(), codes.end(), 17), 3);
    module->take_messages();
    {
        std::vector<std::thread> threads;
        for (int i = 0; i < 4; ++i) {
            threads.emplace_back([&] {
                for (int j = 0; j < 5; ++j) EXPECT_EQ(module->scan(1), 0);
            });
        }
        for (auto& thread : threads) thread.join();
    }
    std::map<std::string, int> counts;
    for (const auto& text : module->take_messages())
        ++counts[json::parse(text).at("type").get<std::string>()];
    EXPECT_EQ(counts["scan_result"], 20);
    EXPECT_EQ(counts["error_result"], 0);
    EXPECT_EQ(counts["dynamic_channel"], 7) << "the seven LEDs, once";
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
    ASSERT_EQ(module->cleanup(), 0);
    ASSERT_EQ(module->initialize(), 0);
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
    const std::string expected =
        "#:libs7.error.connection_failed[127.0.0.1," + std::to_string(plc.port()) + ",";
    EXPECT_EQ(id.substr(0, expected.size()), expected) << id;
    EXPECT_EQ(failed.at("response_code"), 3);

    // Within the back-off (a second, less than the receive timeout) the link is not tried again: the
    // CPU is back, yet the scan ends at once with the failure that started the back-off.
    plc.start();
    const auto backing_off = scan(1);
    EXPECT_EQ(backing_off.at("message"), failed.at("message"));
    EXPECT_EQ(plc.client_count(), 0);

    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    EXPECT_EQ(scan(1).at("type"), "scan_result");
}

TEST_F(s7_end_to_end_test, an_unresolvable_host_name_is_reported_as_such) {
    create(1, block(cpu_status, {{"host", "no-such-plc.invalid"}}));
    const auto result = scan(1);
    ASSERT_EQ(result.at("type"), "error_result");
    EXPECT_EQ(result.at("message").at("id"), "#:error.could_not_resolve_host_name[no-such-plc.invalid]");
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

    for (int id : {1, 2, 3, 4}) module->destroy_sensor(id);
}

TEST_F(s7_end_to_end_test, invalid_settings_fail_creation_with_the_reason) {
    module->take_messages();
    EXPECT_EQ(module->create_sensor(1, block(cpu_status, {{"connection_section.rack", "8"}}).dump()), 2);
    std::string reason;
    for (const auto& text : module->take_messages()) {
        const auto message = json::parse(text);
        if (message.at("type") == "error_result") reason = message.at("message").at("text");
    }
    EXPECT_EQ(
        reason,
        "Setting \"Rack\" (connection_section.rack): Setting value 8 is bigger than the allowed value of 7.");

    // A value the host marks secret is quoted nowhere: not in the error, not in the sensor's log.
    json secret = block(cpu_status, {{"connection_section.port", "765432"}, {"logging", "enabled"}});
    secret["secure_settings"] = {"connection_section.port"};
    EXPECT_EQ(module->create_sensor(3, secret.dump()), 2);
    for (const auto& text : module->take_messages())
        EXPECT_EQ(text.find("765432"), std::string::npos) << text;

    json missing_timeout = block(cpu_status);
    missing_timeout["settings"].erase("timeout");
    EXPECT_EQ(module->create_sensor(2, missing_timeout.dump()), 2);
    EXPECT_EQ(module->scan(2), 16) << "nothing half-built stays behind";
}

}  // namespace

namespace {

// Everything a sensor sent but its log lines, byte for byte, with its own id written as 0.
std::vector<std::string> messages_without_logs(module_library& module, int id) {
    std::vector<std::string> kept;
    const std::string own_id = "\"sensor_id\":" + std::to_string(id) + ",";
    for (auto text : module.take_messages()) {
        if (text.starts_with(R"({"type":"log")")) continue;
        if (const auto at = text.find(own_id); at != std::string::npos) text.replace(at, own_id.size(), "\"sensor_id\":0,");
        kept.push_back(text);
    }
    return kept;
}

}  // namespace

// A sensor whose log is off skips the formatting for it, and must still say exactly the same.
TEST_F(s7_end_to_end_test, messages_are_byte_identical_with_logging_on_and_off) {
    for (const char* kind : {cpu_status, restart_overview, led_status}) {
        SCOPED_TRACE(kind);
        module->take_messages();
        create(1, block(kind, {{"logging", "enabled"}}));
        const auto created_logging = messages_without_logs(*module, 1);
        create(2, block(kind, {{"logging", "disabled"}}));
        EXPECT_EQ(messages_without_logs(*module, 2), created_logging);
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(module->scan(1), 0);
            const auto logging = messages_without_logs(*module, 1);
            EXPECT_EQ(module->scan(2), 0);
            EXPECT_EQ(messages_without_logs(*module, 2), logging) << "scan " << round;
            EXPECT_FALSE(logging.empty());
        }
        EXPECT_EQ(module->destroy_sensor(1), 0);
        EXPECT_EQ(module->destroy_sensor(2), 0);
    }
}
