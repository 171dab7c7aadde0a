#include "s7/restart_counting.hpp"

#include <gtest/gtest.h>

#include "tests/s7_access/recording_log.hpp"

namespace {

using namespace korvel::probekit::s7;

constexpr std::size_t automatic_cold = 0, manual_warm = 4;

TEST(restart_counting, first_scan_counts_every_restart_and_reports_the_newest_kind) {
    s7_access_test::recording_log log;
    const auto count = count_restarts({{0x1381, "2024-01-02T09:00:00.000"}, {0x1386, "2024-01-01T10:00:00.000"}},
                                      std::nullopt, {}, log);
    EXPECT_EQ(count.totals[automatic_cold], 1);
    EXPECT_EQ(count.totals[manual_warm], 1);
    EXPECT_EQ(count.state, 7) << "warm_manual, the newer of the two";
    EXPECT_EQ(count.newest, "2024-01-02T09:00:00.000");
    EXPECT_EQ(log.at_level(7), (std::vector<std::string>{
                                   "  Oldest Event Timestamp: 2024-01-01T10:00:00.000",
                                   "  Newest Event Timestamp: 2024-01-02T09:00:00.000",
                                   "  Event 0x1386 counted as Automatic Cold Restart",
                                   "  Event 0x1381 counted as Manual Warm Restart",
                                   "  Total Restarts (New/Cumulative): 2/2",
                                   "  Automatic Cold (New/Cumulative): 1/1",
                                   "  Automatic Warm (New/Cumulative): 0/0",
                                   "  Automatic Hot (New/Cumulative): 0/0",
                                   "  Manual Cold (New/Cumulative): 0/0",
                                   "  Manual Warm (New/Cumulative): 1/1",
                                   "  Manual Hot (New/Cumulative): 0/0",
                               }));
}

TEST(restart_counting, events_up_to_the_stored_time_stamp_are_not_counted_again) {
    s7_access_test::recording_log log;
    restart_totals stored{};
    stored[manual_warm] = 5;
    const auto count = count_restarts({{0x1381, "2024-01-02T09:00:00.000"}, {0x1389, "2024-01-03T00:00:00.000"}},
                                      "2024-01-02T09:00:00.000", stored, log);
    EXPECT_EQ(count.totals, stored) << "an equal time stamp is already counted; 0x1389 never counts";
    EXPECT_EQ(count.state, 1);
    EXPECT_EQ(count.newest, "2024-01-03T00:00:00.000");
}

TEST(restart_counting, every_event_id_maps_to_its_kind) {
    const struct {
        std::uint16_t event_id;
        restart_kind kind;
        std::int64_t state;
    } rows[] = {
        {0x1381, restart_kind::manual_warm, 7},    {0x138A, restart_kind::manual_warm, 7},
        {0x1382, restart_kind::automatic_warm, 6}, {0x138B, restart_kind::automatic_warm, 6},
        {0x1383, restart_kind::manual_hot, 3},     {0x138C, restart_kind::manual_hot, 3},
        {0x1384, restart_kind::automatic_hot, 2},  {0x138D, restart_kind::automatic_hot, 2},
        {0x1385, restart_kind::manual_cold, 5},    {0x1387, restart_kind::manual_cold, 5},
        {0x1386, restart_kind::automatic_cold, 4}, {0x1388, restart_kind::automatic_cold, 4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.event_id);
        s7_access_test::recording_log log;
        const auto count = count_restarts({{row.event_id, "2024-01-01T00:00:00.000"}}, std::nullopt, {}, log);
        restart_totals expected{};
        expected[static_cast<std::size_t>(row.kind)] = 1;
        EXPECT_EQ(count.totals, expected);
        EXPECT_EQ(count.state, row.state);
    }
}

TEST(restart_counting, an_empty_buffer_keeps_the_totals_and_logs_nothing) {
    s7_access_test::recording_log log;
    restart_totals stored{3, 0, 0, 0, 0, 1};
    const auto count = count_restarts({}, "2024-01-01T00:00:00.000", stored, log);
    EXPECT_EQ(count.totals, stored);
    EXPECT_EQ(count.state, 1);
    EXPECT_EQ(count.newest, std::nullopt);
    EXPECT_TRUE(log.lines.empty());
}

}  // namespace
