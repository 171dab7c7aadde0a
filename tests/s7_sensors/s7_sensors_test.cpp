// The three S7-300/400 sensors, whole, in the module's frame, over a fake PLC: the cases snap7's server
// cannot produce (cycle times, a buffer too large, no LEDs, redundant racks, bad stored values).

#include <gtest/gtest.h>

#include <map>
#include <variant>

#include "libs7/connection_factory.hpp"
#include "libs7/exceptions.hpp"
#include "libtcp/resolver_factory.hpp"
#include "module/sensors/registration.hpp"
#include "s7/cpu_restart_overview_sensor.hpp"
#include "s7/cpu_status_sensor.hpp"
#include "s7/led_status_sensor.hpp"
#include "tests/s7_access/record_bytes.hpp"
#include "tests/s7_access/scripted_connection.hpp"
#include "tests/support/test_module.hpp"

namespace {

namespace s7 = korvel::probekit::s7;
namespace libs7 = korvel::probekit::libs7;
namespace vexa = korvel::probekit::libvexahelper;
using module_test::json;
using s7_access_test::diagnostic_record;
using s7_access_test::szl_list;
using list_address = std::pair<std::uint16_t, std::uint16_t>;

// What the controller answers for each list (a list, or what reading it throws), and the reads made.
struct plc_lists {
    std::map<list_address, std::variant<szl_list, std::exception_ptr>> answers;
    std::map<list_address, int> reads;
};

// Every connection of a test reads the one controller, as sensors on one PLC share a link.
struct fake_plc final : libs7::connection_interface {
    explicit fake_plc(std::shared_ptr<plc_lists> lists) : plc(std::move(lists)) {}
    void read_szl(std::uint16_t id, std::uint16_t index, const korvel::probekit::libdeadline::deadline&,
                  const libs7::szl_record_callback& callback) override {
        ++plc->reads[{id, index}];
        const auto& answer = plc->answers.at({id, index});
        if (const auto* failure = std::get_if<std::exception_ptr>(&answer)) std::rethrow_exception(*failure);
        const auto& list = std::get<szl_list>(answer);
        callback(list.records, list.record_length, list.record_count);
    }
    std::shared_ptr<plc_lists> plc;
};

szl_list diagnostics(std::initializer_list<std::vector<std::uint8_t>> records) {
    return {s7_access_test::concatenated(records), 20, static_cast<std::uint32_t>(records.size())};
}

constexpr s7_access_test::date_and_time jan_1_10h{0x24, 0x01, 0x01, 0x10, 0x00, 0x00, 0x00, 0x01};
constexpr s7_access_test::date_and_time jan_2_09h{0x24, 0x01, 0x02, 0x09, 0x00, 0x00, 0x00, 0x02};
constexpr const char* cpu_status = s7::cpu_status_sensor::kind_name;
constexpr const char* restart_overview = s7::cpu_restart_overview_sensor::kind_name;
constexpr const char* led_status = s7::led_status_sensor::kind_name;

class s7_sensors_test : public ::testing::Test, protected module_test::test_module {
protected:
    std::shared_ptr<plc_lists> plc = std::make_shared<plc_lists>();

    void SetUp() override {
        container->add_factory(libs7::connection_factory(
            [this](const libs7::connection_settings&) { return std::make_unique<fake_plc>(plc); }));
        container->add_factory(korvel::probekit::libtcp::get_resolver_factory());  // an address: no lookup
        vexa::module::register_sensor_as<s7::cpu_status_sensor>(*dispatcher, cpu_status);
        vexa::module::register_sensor_as<s7::cpu_restart_overview_sensor>(*dispatcher, restart_overview);
        vexa::module::register_sensor_as<s7::led_status_sensor>(*dispatcher, led_status);

        plc->answers[{0x0424, 0}] = szl_list{s7_access_test::cpu_status_record(8), 20, 1};
        std::vector<std::uint8_t> cycle_times(28, 0);  // previous 10, minimum 2, maximum 40 ms
        cycle_times[7] = 10;
        cycle_times[9] = 2;
        cycle_times[11] = 40;
        plc->answers[{0x0222, 1}] = szl_list{cycle_times, 28, 1};
        plc->answers[{0x00A0, 0}] =
            diagnostics({diagnostic_record(0x1386, jan_1_10h), diagnostic_record(0x1381, jan_2_09h)});
    }

    static json block(const std::string& kind, const json& settings = json::object(),
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

    // Creates, scans once and destroys; returns the scan's result, with the scan's messages left in `sent`.
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

    static std::map<int, json> values(const json& result) {
        std::map<int, json> found;
        for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
        return found;
    }

    std::map<std::string, std::string> persisted() const {
        std::map<std::string, std::string> values;
        for (const auto& message : sent) {
            if (message.at("type") == "persistent_data") values[message.at("key")] = message.at("value");
        }
        return values;
    }
};

TEST_F(s7_sensors_test, cpu_status_reports_mode_cycle_times_ratio_and_events) {
    const auto result =
        scan_once(block(cpu_status, {{"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "40"}}));
    ASSERT_EQ(result.at("type"), "scan_result");
    EXPECT_EQ(result.at("message").at("id"), "OK");
    // Mode, ratio, previous/minimum/maximum cycle time, and 1: no 0x3501 in the buffer.
    EXPECT_EQ(values(result), (std::map<int, json>{{0, 8}, {1, 25.0}, {2, 10}, {3, 2}, {4, 40}, {5, 1}}));
    EXPECT_EQ(persisted().at("most_recent_event_ts"), "2024-01-02T09:00:00.000");

    // Without a maximum there is no ratio channel; a maximum of 0 gives no ratio rather than a division.
    ASSERT_EQ(create(1, block(cpu_status)), vexa::module::sensor_create_response_code::success);
    std::vector<int> announced;
    for (const auto& channel : take("dynamic_channel")) announced.push_back(channel.at("channel").at("id"));
    EXPECT_EQ(announced, (std::vector<int>{0, 2, 3, 4, 5}));
    dispatcher->destroy_sensor_instance(1);
    const auto no_maximum =
        scan_once(block(cpu_status, {{"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "0"}}));
    EXPECT_TRUE(values(no_maximum)[1].is_null());
    EXPECT_EQ(values(no_maximum)[2], 10);
}

TEST_F(s7_sensors_test, a_too_large_buffer_switches_to_the_recent_entries_for_good) {
    plc->answers[{0x00A0, 0}] = std::make_exception_ptr(libs7::exceptions::szl_too_large("00a0", "0000"));
    plc->answers[{0x01A0, 500}] = diagnostics({diagnostic_record(0x3501, jan_2_09h)});
    EXPECT_EQ(values(scan_once(block(cpu_status)))[5], 2)
        << "cycle_time_exceeded, from the recent list at once";
    EXPECT_EQ(persisted().at("does_plc_have_too_many_events"), "true");

    // The host hands the flag back: a new sensor reads only the recent list.
    plc->reads.clear();
    scan_once(block(
        cpu_status, json::object(),
        {{"does_plc_have_too_many_events", "true"}, {"most_recent_event_ts", "2024-01-02T09:00:00.000"}}));
    EXPECT_EQ(plc->reads.count({0x00A0, 0}), 0u);
    EXPECT_EQ(plc->reads.at({0x01A0, 500}), 1);
}

// A stored value the sensor cannot use is dropped with a warning: the scan counts as if it were
// absent and writes a good value back, so the next scan is whole again.
TEST_F(s7_sensors_test, a_malformed_stored_value_is_treated_as_absent_and_repaired) {
    const struct {
        json persistent;
        std::int64_t manual_warm;
    } rows[] = {
        {{{"manual_warm_restarts", "12abc"}}, 1},
        {{{"manual_warm_restarts", "99999999999999999999"}}, 1},
        {{{"most_recent_restart_ts", "zzz"}}, 1},
        {{{"manual_warm_restarts", "9223372036854775807"}}, INT64_MAX},  // valid: the count saturates
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.persistent.dump());
        const auto result = scan_once(block(restart_overview, {{"logging", "enabled"}}, row.persistent));
        ASSERT_EQ(result.at("type"), "scan_result");
        const bool saturated = row.manual_warm == INT64_MAX;
        EXPECT_EQ(values(result)[6], row.manual_warm) << "manual warm: the one restart in the buffer";
        EXPECT_EQ(values(result)[1], saturated ? INT64_MAX : 2);
        const auto written = persisted();
        EXPECT_EQ(written.contains("manual_warm_restarts") ? written.at("manual_warm_restarts") : "not sent",
                  saturated ? "not sent" : "1");
        const bool warned = std::ranges::any_of(sent, [](const json& message) {
            return message.at("type") == "log" && message.at("level") == 4 &&
                   message.at("text").get<std::string>().starts_with("Ignoring persistent value");
        });
        EXPECT_EQ(warned, !saturated);
    }
}

TEST_F(s7_sensors_test, led_sensor_makes_a_channel_per_reported_led_of_its_rack) {
    // RUN on; unknown LED 0x17 off; LED 5 of rack 1 blinking; LED 5 of rack 2 (not ours) on.
    plc->answers[{0x0074, 0}] = szl_list{
        {0x00, 0x04, 0x01, 0x00, 0x00, 0x17, 0x00, 0x00, 0xF9, 0x05, 0x01, 0x01, 0xFA, 0x05, 0x01, 0x00},
        4,
        4};
    const auto result = scan_once(block(led_status));
    EXPECT_EQ(values(result), (std::map<int, json>{{4, 2}, {5, 3}, {23, 1}}))
        << "the rack 1 record sets LED 5; the rack 2 record is skipped";
    std::vector<json> names;
    for (const auto& message : sent) {
        if (message.at("type") == "dynamic_channel")
            names.push_back(message.at("channel").at("name").at("text"));
    }
    EXPECT_EQ(names, (std::vector<json>{"RUN", "LED 0x0017", "STOP"}));

    plc->answers[{0x0074, 0}] = szl_list{{}, 4, 0};
    EXPECT_EQ(scan_once(block(led_status)).at("message").at("id"), "#:error.no_leds_found[]");
}

}  // namespace
