// The three S7-300/400 sensors, whole, in the module's frame, over a fake PLC.

#include <gtest/gtest.h>

#include "libs7/connection_factory.hpp"
#include "libs7/exceptions.hpp"
#include "libtcp/resolver_factory.hpp"
#include "module/sensors/registration.hpp"
#include "s7/cpu_restart_overview_sensor.hpp"
#include "s7/cpu_status_sensor.hpp"
#include "s7/led_status_sensor.hpp"
#include "tests/s7_access/record_bytes.hpp"
#include "tests/s7_sensors/fake_plc.hpp"
#include "tests/support/test_module.hpp"

namespace {

namespace s7 = korvel::probekit::s7;
namespace libs7 = korvel::probekit::libs7;
namespace libtcp = korvel::probekit::libtcp;
using module_test::json;
namespace vexa = korvel::probekit::libvexahelper;
using s7_access_test::concatenated;
using s7_access_test::diagnostic_record;
using s7_sensors_test::fake_plc;
using s7_sensors_test::szl_list;

// Every sensor of a test shares the one fake PLC, as sensors on one controller share a connection.
struct shared_plc final : libs7::connection_interface {
    explicit shared_plc(std::shared_ptr<fake_plc> shared) : plc(std::move(shared)) {}
    void read_szl(std::uint16_t id, std::uint16_t index,
                  const korvel::probekit::libdeadline::deadline& deadline,
                  const libs7::szl_record_callback& callback) override {
        plc->read_szl(id, index, deadline, callback);
    }
    std::shared_ptr<fake_plc> plc;
};

std::vector<std::uint8_t> cycle_time_record(std::uint16_t previous, std::uint16_t minimum,
                                            std::uint16_t maximum) {
    std::vector<std::uint8_t> record(28, 0);
    const std::uint16_t values[] = {previous, minimum, maximum};
    for (int i = 0; i < 3; ++i) {
        record[6 + 2 * i] = static_cast<std::uint8_t>(values[i] >> 8);
        record[7 + 2 * i] = static_cast<std::uint8_t>(values[i]);
    }
    return record;
}

szl_list diagnostics(std::initializer_list<std::vector<std::uint8_t>> records) {
    return {concatenated(records), 20, static_cast<std::uint32_t>(records.size())};
}

constexpr s7_access_test::date_and_time jan_1_10h{0x24, 0x01, 0x01, 0x10, 0x00, 0x00, 0x00, 0x01};
constexpr s7_access_test::date_and_time jan_2_09h{0x24, 0x01, 0x02, 0x09, 0x00, 0x00, 0x00, 0x02};

class s7_sensors_test : public ::testing::Test, protected module_test::test_module {
protected:
    std::shared_ptr<fake_plc> plc = std::make_shared<fake_plc>();

    void SetUp() override {
        container->add_factory(libs7::connection_factory(
            [this](const libs7::connection_settings&) { return std::make_unique<shared_plc>(plc); }));
        container->add_factory(libtcp::get_resolver_factory());  // the host is an address: no lookup
        vexa::module::register_sensor_as<s7::cpu_status_sensor>(*dispatcher,
                                                                s7::cpu_status_sensor::kind_name);
        vexa::module::register_sensor_as<s7::cpu_restart_overview_sensor>(
            *dispatcher, s7::cpu_restart_overview_sensor::kind_name);
        vexa::module::register_sensor_as<s7::led_status_sensor>(*dispatcher,
                                                                s7::led_status_sensor::kind_name);

        plc->lists[{0x0424, 0}] = szl_list{s7_access_test::cpu_status_record(8), 20, 1};
        plc->lists[{0x0222, 1}] = szl_list{cycle_time_record(10, 2, 40), 28, 1};
        plc->lists[{0x00A0, 0}] =
            diagnostics({diagnostic_record(0x1386, jan_1_10h), diagnostic_record(0x1381, jan_2_09h)});
    }

    json block(const std::string& kind, const json& settings = json::object(),
               const json& persistent = json::object()) {
        json values{{"host", "127.0.0.1"},
                    {"timeout", "60"},
                    {"connection_section.rack", "1"},
                    {"connection_section.slot", "2"},
                    {"connection_section.port", "102"},
                    {"connection_section.receive_timeout_ms", "500"},
                    {"connection_section.retry", "noretry"},
                    {"connection_section.retry_delay_ms", "0"}};
        values.merge_patch(settings);
        return {{"kind", kind},
                {"settings", values},
                {"channels", json::object()},
                {"persistent_data", persistent}};
    }

    // Creates, scans once and destroys; returns the scan's result.
    json scan_once(const json& sensor_block) {
        EXPECT_EQ(create(1, sensor_block), vexa::module::sensor_create_response_code::success);
        sent.clear();
        dispatcher->execute_sensor_scan(1);
        dispatcher->destroy_sensor_instance(1);
        for (const auto& message : sent) {
            if (message.at("type") == "scan_result" || message.at("type") == "error_result") return message;
        }
        return json();
    }

    // Channel id to value; an absent channel reads as null.
    static std::map<int, json> values(const json& result) {
        std::map<int, json> found;
        for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
        return found;
    }

    std::map<std::string, std::string> persisted() {
        std::map<std::string, std::string> values;
        for (const auto& message : sent) {
            if (message.at("type") == "persistent_data") values[message.at("key")] = message.at("value");
        }
        return values;
    }
};

TEST_F(s7_sensors_test, cpu_status_reports_mode_cycle_times_ratio_and_events) {
    const auto result =
        scan_once(block("simatic_s7_300_400_cpu_status_sensor",
                        {{"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "40"}}));
    ASSERT_EQ(result.at("type"), "scan_result");
    EXPECT_EQ(result.at("message").at("id"), "OK");
    // Mode, ratio, previous/minimum/maximum cycle time, and 1: no 0x3501 in the buffer.
    EXPECT_EQ(values(result), (std::map<int, json>{{0, 8}, {1, 25.0}, {2, 10}, {3, 2}, {4, 40}, {5, 1}}));
    EXPECT_EQ(persisted().at("most_recent_event_ts"), "2024-01-02T09:00:00.000");
}

TEST_F(s7_sensors_test, cycle_ratio_channel_exists_only_with_a_maximum_and_never_divides_by_zero) {
    ASSERT_EQ(create(1, block("simatic_s7_300_400_cpu_status_sensor")),
              vexa::module::sensor_create_response_code::success);
    std::vector<int> announced;
    for (const auto& channel : take("dynamic_channel")) announced.push_back(channel.at("channel").at("id"));
    EXPECT_EQ(announced, (std::vector<int>{0, 2, 3, 4, 5}));
    dispatcher->destroy_sensor_instance(1);

    const auto result =
        scan_once(block("simatic_s7_300_400_cpu_status_sensor",
                        {{"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "0"}}));
    EXPECT_TRUE(values(result)[1].is_null());
    EXPECT_EQ(values(result)[2], 10);
}

TEST_F(s7_sensors_test, a_too_large_buffer_switches_to_the_recent_entries_for_good) {
    plc->lists[{0x00A0, 0}] = std::make_exception_ptr(libs7::exceptions::szl_too_large("00a0", "0000"));
    plc->lists[{0x01A0, 500}] = diagnostics({diagnostic_record(0x3501, jan_2_09h)});
    const auto result = scan_once(block("simatic_s7_300_400_cpu_status_sensor"));
    EXPECT_EQ(values(result)[5], 2) << "cycle_time_exceeded, from the recent list in the same scan";
    EXPECT_EQ(persisted().at("does_plc_have_too_many_events"), "true");

    // The host hands the flag back: a new sensor reads only the recent list.
    plc->reads.clear();
    scan_once(block(
        "simatic_s7_300_400_cpu_status_sensor", json::object(),
        {{"does_plc_have_too_many_events", "true"}, {"most_recent_event_ts", "2024-01-02T09:00:00.000"}}));
    EXPECT_EQ(plc->reads.count({0x00A0, 0}), 0u);
    EXPECT_EQ(plc->reads.at({0x01A0, 500}), 1);
}

TEST_F(s7_sensors_test, restart_overview_counts_each_restart_once_across_module_restarts) {
    const auto first = scan_once(block("simatic_s7_300_400_cpu_restart_overview_sensor"));
    EXPECT_EQ(values(first)[0], 7);
    EXPECT_EQ(values(first)[1], 2);
    EXPECT_EQ(values(first)[2], 1) << "automatic cold";
    EXPECT_EQ(values(first)[6], 1) << "manual warm";
    const auto stored = persisted();
    EXPECT_EQ(stored.at("most_recent_restart_ts"), "2024-01-02T09:00:00.000");
    EXPECT_EQ(stored.at("automatic_cold_restarts"), "1");

    // A new instance with what the host stored: nothing new, the totals stay.
    json persistent(stored);
    const auto second =
        scan_once(block("simatic_s7_300_400_cpu_restart_overview_sensor", json::object(), persistent));
    EXPECT_EQ(values(second)[0], 1);
    EXPECT_EQ(values(second)[1], 2);
    EXPECT_TRUE(persisted().empty()) << "unchanged values are not sent again";
}

// A stored value the sensor cannot use is dropped with a warning: the scan counts as if it were
// absent and writes a good value back, so the next scan is whole again.
TEST_F(s7_sensors_test, a_malformed_stored_value_is_treated_as_absent_and_repaired) {
    const struct {
        const char* name;
        json persistent;
        std::int64_t manual_warm;
    } rows[] = {
        {"trailing letters", {{"manual_warm_restarts", "12abc"}}, 1},
        {"negative", {{"manual_warm_restarts", "-5"}}, 1},
        {"beyond 64 bits", {{"manual_warm_restarts", "99999999999999999999"}}, 1},
        {"time stamp of another shape", {{"most_recent_restart_ts", "zzz"}}, 1},
        {"near the largest count", {{"manual_warm_restarts", "9223372036854775807"}}, INT64_MAX},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result = scan_once(block("simatic_s7_300_400_cpu_restart_overview_sensor",
                                            {{"logging", "enabled"}}, row.persistent));
        ASSERT_EQ(result.at("type"), "scan_result");
        EXPECT_EQ(values(result)[6], row.manual_warm)
            << "manual warm: the one restart in the buffer, saturated";
        EXPECT_EQ(values(result)[1], row.manual_warm == INT64_MAX ? INT64_MAX : 2);
        const auto written = persisted();
        if (row.manual_warm == INT64_MAX) {
            EXPECT_FALSE(written.contains("manual_warm_restarts")) << "saturated: unchanged, so not sent";
        } else {
            EXPECT_EQ(written.at("manual_warm_restarts"), "1");
        }
        bool warned = false;
        for (const auto& message : sent) {
            warned |= message.at("type") == "log" && message.at("level") == 4 &&
                      message.at("text").get<std::string>().starts_with("Ignoring persistent value");
        }
        EXPECT_EQ(warned, row.manual_warm != INT64_MAX);
    }
}

TEST_F(s7_sensors_test, led_sensor_makes_a_channel_per_reported_led) {
    // RUN on; unknown LED 0x17 off; LED 5 of rack 1 blinking; LED 5 of rack 2 (not ours) on.
    plc->lists[{0x0074, 0}] = szl_list{
        {0x00, 0x04, 0x01, 0x00, 0x00, 0x17, 0x00, 0x00, 0xF9, 0x05, 0x01, 0x01, 0xFA, 0x05, 0x01, 0x00},
        4,
        4};
    ASSERT_EQ(create(1, block("simatic_s7_300_400_led_status_sensor")),
              vexa::module::sensor_create_response_code::success);
    sent.clear();
    dispatcher->execute_sensor_scan(1);
    const auto announced = take("dynamic_channel");
    ASSERT_EQ(announced.size(), 3u);
    EXPECT_EQ(announced[1].at("channel").at("name").at("text"), "LED 0x0017");
    dispatcher->execute_sensor_scan(1);
    EXPECT_TRUE(std::none_of(sent.begin(), sent.end(), [](const json& message) {
        return message.at("type") == "dynamic_channel";
    })) << "announced once per sensor, not per scan";
    const auto results = take("scan_result");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(values(results[0]), (std::map<int, json>{{4, 2}, {5, 3}, {23, 1}}))
        << "the rack 1 record sets LED 5; the rack 2 record is skipped";
}

TEST_F(s7_sensors_test, led_sensor_without_leds_reports_the_error) {
    plc->lists[{0x0074, 0}] = szl_list{{}, 4, 0};
    const auto result = scan_once(block("simatic_s7_300_400_led_status_sensor"));
    ASSERT_EQ(result.at("type"), "error_result");
    EXPECT_EQ(result.at("message").at("id"), "#:error.no_leds_found[]");
}

}  // namespace
