#include "s7/cycle_time_events.hpp"

#include <gtest/gtest.h>

#include "tests/s7_access/recording_log.hpp"

namespace {

using korvel::probekit::s7::diagnostic_entry;
using korvel::probekit::s7::evaluate_cycle_time_events;
using status = korvel::probekit::s7::recent_cycle_time_status;

const std::vector<diagnostic_entry> buffer = {{0x4302, "2024-03-05T10:00:00.000"},
                                              {0x3501, "2024-03-05T09:00:00.000"},
                                              {0x4301, "2024-03-05T11:00:00.000"}};
const std::vector<diagnostic_entry> no_overrun = {{0x4302, "2024-03-05T10:00:00.000"}};

TEST(cycle_time_events, status_follows_the_newest_entry_seen_before) {
    const struct {
        const char* name;
        std::vector<diagnostic_entry> entries;
        std::optional<std::string> previous;
        status expected;
    } rows[] = {
        {"empty buffer", {}, "2024-03-05T10:00:00.000", status::cycle_time_ok},
        {"first scan sees an old overrun", buffer, std::nullopt, status::cycle_time_exceeded},
        {"overrun already seen", buffer, "2024-03-05T09:00:00.000", status::cycle_time_ok},
        {"overrun newer than previous", buffer, "2024-03-05T08:59:59.999", status::cycle_time_exceeded},
        {"previous older than every entry", no_overrun, "2024-03-05T09:00:00.000",
         status::lost_track_of_events},
        {"previous newer than every entry", no_overrun, "2024-03-06T00:00:00.000",
         status::lost_track_of_events},
        {"new overrun wins over lost track",
         {{0x3501, "2024-03-05T10:00:00.000"}},
         "2024-03-05T09:00:00.000",
         status::cycle_time_exceeded},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        s7_access_test::recording_log log;
        EXPECT_EQ(evaluate_cycle_time_events(row.entries, row.previous, log).status, row.expected);
    }
}

TEST(cycle_time_events, remembers_the_newest_entry) {
    s7_access_test::recording_log log;
    EXPECT_EQ(evaluate_cycle_time_events(buffer, std::nullopt, log).newest, "2024-03-05T11:00:00.000");
    EXPECT_EQ(evaluate_cycle_time_events({}, std::nullopt, log).newest, std::nullopt);
}

}  // namespace
