// --hold with the clock set by the test: a problem reported until the hold expires (not a second
// longer or shorter), a worse problem replacing a milder one, and holds let go.

#include "host/cli/channel_hold.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace {

using namespace korvel::probekit::host;
using namespace std::chrono_literals;
using time_point = std::chrono::system_clock::time_point;

const time_point start{std::chrono::seconds(1'800'000'000)};

channel_report restart_event(std::int64_t value, std::string text, std::optional<severity> state) {
    channel_report channel;
    channel.id = 0;
    channel.name = "Restart Event";
    channel.value = value;
    channel.text = std::move(text);
    channel.from_lookup = true;
    channel.state = state;
    return channel;
}

sensor_report scan_showing(const channel_report& channel, severity state) {
    sensor_report report;
    report.state = state;
    report.message = "OK";
    report.channels = {channel};
    return report;
}

const channel_report warm_restart = restart_event(7, "Warm Manual", severity::error);
const channel_report no_restart = restart_event(1, "No Restarts", severity::ok);

// The operator's clock two hours east of UTC, so a time shown in UTC instead would not match.
class operator_time_zone {
public:
    operator_time_zone() {
        if (const char* zone = std::getenv("TZ")) previous_ = zone;
        ::setenv("TZ", "OPS-2", 1);
        ::tzset();
    }
    ~operator_time_zone() {
        if (previous_) ::setenv("TZ", previous_->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::optional<std::string> previous_;
};

TEST(channel_hold, reports_a_problem_until_the_hold_expires_and_then_lets_it_go) {
    const operator_time_zone zone;
    const channel_hold hold(15min);
    std::map<int, held_channel> held;
    auto first = scan_showing(warm_restart, severity::error);
    EXPECT_TRUE(hold.apply(first, held, start));
    EXPECT_EQ(first.message, "OK") << "the scan that sees the problem reports it as it is";
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held.at(0), (held_channel{severity::error, 7, "Warm Manual", start}));

    for (const std::chrono::seconds later : {1s, 600s, 899s}) {
        SCOPED_TRACE(later.count());
        auto report = scan_showing(no_restart, severity::ok);
        EXPECT_FALSE(hold.apply(report, held, start + later));
        EXPECT_EQ(report.state, severity::error);
        const auto& channel = report.channels.at(0);
        EXPECT_EQ(channel.state, severity::error);
        EXPECT_EQ(channel.value, 7);
        EXPECT_EQ(channel.text, "Warm Manual");
        EXPECT_TRUE(channel.held);
        EXPECT_EQ(report.message, "held since 10:00: Restart Event: Warm Manual");
    }
    auto expired = scan_showing(no_restart, severity::ok);
    EXPECT_TRUE(hold.apply(expired, held, start + 15min));
    EXPECT_EQ(expired.state, severity::ok);
    EXPECT_EQ(expired.channels.at(0).text, "No Restarts");
    EXPECT_EQ(expired.message, "OK");
    EXPECT_TRUE(held.empty());
}

TEST(channel_hold, a_problem_seen_again_restarts_the_hold_and_a_milder_one_does_not_replace_it) {
    const channel_hold hold(10min);
    std::map<int, held_channel> held;
    auto first = scan_showing(warm_restart, severity::error);
    hold.apply(first, held, start);
    auto again = scan_showing(warm_restart, severity::error);
    EXPECT_TRUE(hold.apply(again, held, start + 9min));
    EXPECT_EQ(held.at(0).since, start + 9min);

    auto milder = scan_showing(restart_event(5, "Cold Manual", severity::warning), severity::warning);
    hold.apply(milder, held, start + 10min);
    EXPECT_EQ(milder.channels.at(0).text, "Warm Manual") << "the error outranks the warning";
    EXPECT_EQ(milder.state, severity::error);
    EXPECT_EQ(held.at(0).since, start + 9min);

    auto after = scan_showing(no_restart, severity::ok);
    hold.apply(after, held, start + 19min);
    EXPECT_EQ(after.state, severity::ok) << "the milder problem was not held in place of the error";
}

TEST(channel_hold, without_a_duration_nothing_is_held_and_earlier_holds_go) {
    std::map<int, held_channel> held{{0, {severity::error, 7, "Warm Manual", start}}};
    auto report = scan_showing(no_restart, severity::ok);
    EXPECT_TRUE(channel_hold(0s).apply(report, held, start + 1s));
    EXPECT_EQ(report.state, severity::ok);
    EXPECT_TRUE(held.empty());
    auto problem = scan_showing(warm_restart, severity::error);
    EXPECT_FALSE(channel_hold(0s).apply(problem, held, start));
    EXPECT_TRUE(held.empty());
}

TEST(channel_hold, a_time_ahead_of_a_clock_set_back_counts_from_now) {
    const channel_hold hold(15min);
    std::map<int, held_channel> held{{0, {severity::error, 7, "Warm Manual", start + 24h}}};
    auto report = scan_showing(no_restart, severity::ok);
    hold.apply(report, held, start);
    EXPECT_EQ(report.state, severity::error) << "held";
    auto later = scan_showing(no_restart, severity::ok);
    hold.apply(later, held, start + 15min);
    EXPECT_EQ(later.state, severity::ok) << "not held for a day";
}

}  // namespace
