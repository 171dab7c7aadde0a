// The simulated CPU read through snap7_connection and read_szl: this is what a sensor sees from it.

#include <gtest/gtest.h>

#include "libs7/exceptions.hpp"
#include "libs7/read_szl.hpp"
#include "libs7/snap7_connection.hpp"
#include "recording_log.hpp"
#include "s7/records/cpu_status.hpp"
#include "s7/records/cycle_time.hpp"
#include "s7/records/diagnostics_data.hpp"
#include "s7/records/led_status.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace s7 = korvel::probekit::s7;
namespace simulators = korvel::probekit::simulators;
using namespace std::chrono_literals;

class simulated_cpu_test : public ::testing::Test {
protected:
    template <typename T>
    T read() {
        return libs7::read_szl<T>(connection, 0ms, false, log);
    }

    simulators::s7_cpu_simulator simulator;
    libs7::snap7_connection connection{{"127.0.0.1", simulator.port(), 0, 2, 500ms}};
    s7_access_test::recording_log log;
};

TEST_F(simulated_cpu_test, reports_run_until_set_to_stop) {
    EXPECT_EQ(read<s7::ob1::cpu_status>().mode, 8);  // run_solo
    simulator.set_cpu_state(simulators::cpu_state::stop);
    EXPECT_EQ(read<s7::ob1::cpu_status>().mode, 4);  // stop_internal
    simulator.set_cpu_state(simulators::cpu_state::run);
    EXPECT_EQ(read<s7::ob1::cpu_status>().mode, 8);
}

TEST_F(simulated_cpu_test, ob1_cycle_times) {
    const auto times = read<s7::cycle_time>();
    EXPECT_EQ(times.previous_ms, 0);
    EXPECT_EQ(times.minimum_ms, 0);
    EXPECT_EQ(times.maximum_ms, 1);
}

TEST_F(simulated_cpu_test, leds_with_only_run_lit) {
    struct row {
        std::uint16_t led_id;
        std::uint8_t on;
    };
    const std::vector<row> expected = {
        {0x0001, 0}, {0x0004, 1}, {0x0005, 0}, {0x0006, 0}, {0x000B, 0}, {0x000C, 0}, {0x0015, 0},
    };

    const auto leds = read<std::vector<s7::led_status>>();

    ASSERT_EQ(leds.size(), expected.size());
    for (std::size_t i = 0; i < leds.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(leds[i].led_id, expected[i].led_id);
        EXPECT_EQ(leds[i].on, expected[i].on);
        EXPECT_EQ(leds[i].blink, 0);
    }
}

TEST_F(simulated_cpu_test, diagnostic_buffer_holds_three_manual_warm_restarts_newest_first) {
    const std::vector<s7::diagnostic_entry> expected = {
        {0x4302, "1994-02-04T23:52:16.388"}, {0x1381, "1994-02-04T23:52:16.387"},
        {0x4301, "1994-02-04T23:52:16.296"}, {0x4304, "1994-02-04T23:52:13.901"},
        {0x4302, "1994-02-04T23:51:21.885"}, {0x1381, "1994-02-04T23:51:21.884"},
        {0x4301, "1994-02-04T23:51:21.794"}, {0x4304, "1994-02-04T23:51:19.482"},
        {0x4302, "1994-02-04T23:50:45.099"}, {0x1381, "1994-02-04T23:50:45.098"},
    };

    const auto entries = read<std::vector<s7::all_diagnostics_data>>();

    ASSERT_EQ(entries.size(), expected.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].event_id, expected[i].event_id);
        EXPECT_EQ(entries[i].time_stamp, expected[i].time_stamp);
    }
}

TEST_F(simulated_cpu_test, recent_entries_list_is_not_available) {
    try {
        read<std::vector<s7::recent_diagnostics_data>>();
        ADD_FAILURE() << "no exception";
    } catch (const libs7::exceptions::read_szl_failed& error) {
        EXPECT_STREQ(error.what(),
                     "Failed to read system status list with SSL-ID 0x01a0/0x01f4. CPU : Item not available");
    }
}

}  // namespace
