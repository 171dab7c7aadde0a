#include "s7/restart_counting.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/s7_access/recording_log.hpp"

namespace {

using namespace korvel::probekit::s7;

constexpr std::size_t automatic_cold = 0, manual_warm = 4;

TEST(restart_counting, first_scan_counts_every_restart_and_reports_the_newest_kind) {
    s7_access_test::recording_log log;
    const auto count = count_restarts(
        {{0x1381, "2024-01-02T09:00:00.000"}, {0x1386, "2024-01-01T10:00:00.000"}}, std::nullopt, {}, log);
    restart_totals expected{};
    expected[automatic_cold] = 1;
    expected[manual_warm] = 1;
    EXPECT_EQ(count.totals, expected);
    EXPECT_EQ(count.state, 7) << "warm_manual, the newer of the two";
    EXPECT_EQ(count.newest, "2024-01-02T09:00:00.000");
}

// The log is the only place that tells the new restarts from the stored ones.
TEST(restart_counting, events_up_to_the_stored_time_stamp_are_not_counted_again) {
    s7_access_test::recording_log log;
    restart_totals stored{};
    stored[manual_warm] = 5;
    const auto count =
        count_restarts({{0x1381, "2024-01-02T09:00:00.000"}, {0x1389, "2024-01-03T00:00:00.000"}},
                       "2024-01-02T09:00:00.000", stored, log);
    EXPECT_EQ(count.totals, stored) << "an equal time stamp is already counted; 0x1389 never counts";
    EXPECT_EQ(count.state, 1);
    EXPECT_EQ(count.newest, "2024-01-03T00:00:00.000");
    EXPECT_EQ(std::ranges::count(log.at_level(7), "  Manual Warm (New/Cumulative): 0/5"), 1);

    s7_access_test::recording_log quiet;
    const auto empty = count_restarts({}, "2024-01-01T00:00:00.000", stored, quiet);
    EXPECT_EQ(empty.totals, stored);
    EXPECT_EQ(empty.state, 1);
    EXPECT_EQ(empty.newest, std::nullopt);
    EXPECT_TRUE(quiet.lines.empty());
}

}  // namespace
