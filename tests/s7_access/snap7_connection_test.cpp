// snap7_connection against the simulated CPU: links, reconnects and failures.

#include "libs7/snap7_connection.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "libs7/read_szl.hpp"
#include "recording_log.hpp"
#include "s7/records/cpu_status.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
using namespace std::chrono_literals;

class snap7_connection_test : public ::testing::Test {
protected:
    std::int64_t read_mode(s7_access_test::recording_log& into) {
        return libs7::read_szl<korvel::probekit::s7::ob1::cpu_status>(connection, 0ms, false, plenty, into)
            .mode;
    }

    korvel::probekit::simulators::s7_cpu_simulator simulator;
    libs7::snap7_connection connection{{"127.0.0.1", simulator.port(), 0, 2, 500ms}};
    const korvel::probekit::libdeadline::deadline plenty =
        korvel::probekit::libdeadline::deadline::after(60s);
    s7_access_test::recording_log log;
};

TEST_F(snap7_connection_test, a_dropped_link_is_reconnected_within_the_same_read) {
    EXPECT_EQ(simulator.client_count(), 0);  // construction does not connect
    read_mode(log);
    simulator.stop();
    simulator.start();

    EXPECT_EQ(read_mode(log), 8);
    EXPECT_TRUE(log.at_level(3).empty());
    EXPECT_EQ(simulator.client_count(), 1);
}

TEST_F(snap7_connection_test, sensors_sharing_the_connection_take_turns) {
    std::atomic<int> failures{0};
    std::vector<std::thread> sensors;
    for (int sensor = 0; sensor < 4; ++sensor) {
        sensors.emplace_back([&] {
            s7_access_test::recording_log own_log;
            for (int scan = 0; scan < 25; ++scan) {
                try {
                    failures += read_mode(own_log) != 8;
                } catch (const std::exception&) {
                    ++failures;
                }
            }
        });
    }
    for (auto& sensor : sensors) sensor.join();

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(simulator.client_count(), 1);
}

TEST_F(snap7_connection_test, an_exception_of_the_callback_passes_through_and_releases_the_link) {
    struct callback_failure {};
    EXPECT_THROW(connection.read_szl(0x0424, 0, plenty, [](auto, auto, auto) { throw callback_failure(); }),
                 callback_failure);
    EXPECT_EQ(read_mode(log), 8);
}

}  // namespace
