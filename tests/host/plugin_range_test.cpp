// -w and -c: the five range forms, each just inside and just outside its bounds, the texts that are
// not ranges, and the channels a threshold names.

#include "host/cli/plugin_range.hpp"

#include <gtest/gtest.h>

namespace {

using namespace korvel::probekit::host;

TEST(plugin_range, each_form_alerts_just_outside_its_bounds_and_not_on_them) {
    // value -> alerts, for values on and beside each bound.
    const std::vector<std::pair<std::string, std::vector<std::pair<double, bool>>>> cases{
        {"10", {{-0.1, true}, {0, false}, {10, false}, {10.1, true}}},
        {"10:", {{9.9, true}, {10, false}, {1e300, false}}},
        {"~:10", {{-1e300, false}, {10, false}, {10.1, true}}},
        {"10:20", {{9.9, true}, {10, false}, {20, false}, {20.1, true}}},
        {"@10:20", {{9.9, false}, {10, true}, {20, true}, {20.1, false}}},
        {"-5:-1.5", {{-5.1, true}, {-5, false}, {-1.5, false}, {-1.4, true}}},
        {":3", {{-0.5, true}, {0, false}, {3, false}, {3.5, true}}},
    };
    for (const auto& [text, values] : cases) {
        const auto range = parse_plugin_range(text);
        EXPECT_EQ(range.text, text);
        for (const auto& [value, alerts] : values)
            EXPECT_EQ(range.alerts(value), alerts) << text << " " << value;
    }
}

TEST(plugin_range, refuses_what_is_not_a_range) {
    for (const std::string text :
         {"", "x", "10:x", "@", "~", "~10", "20:10", "1e999", "nan", "10::20", "@@1"})
        EXPECT_THROW(parse_plugin_range(text), range_error) << text;
}

TEST(channel_threshold, takes_channel_equals_range_and_names_a_channel_by_label_or_key) {
    const auto threshold = parse_channel_threshold(threshold_level::critical, "Cycle Ratio=@0:10");
    EXPECT_EQ(threshold.channel, "Cycle Ratio");
    EXPECT_EQ(threshold.level, threshold_level::critical);
    EXPECT_TRUE(threshold.range.inside);
    EXPECT_TRUE(threshold.names("channel.cycle_ratio", "Cycle Ratio"));
    EXPECT_TRUE(threshold.names("channel.cycle_ratio", "cycle ratio")) << "labels in any case";
    EXPECT_FALSE(threshold.names("channel.cpu_status", "CPU Status"));
    const auto by_key = parse_channel_threshold(threshold_level::warning, "cycle_ratio=80");
    EXPECT_TRUE(by_key.names("channel.cycle_ratio", "Zyklus"));
    EXPECT_FALSE(by_key.names("channel.cycle_ratio_2", "Other"));
    EXPECT_TRUE(parse_channel_threshold(threshold_level::warning, "channel.cycle_ratio=80")
                    .names("channel.cycle_ratio", "Zyklus"));

    const std::vector<std::pair<std::string, std::string>> refusals{
        {"80", "-w expects CHANNEL=RANGE (\"Cycle Ratio=80\", \"cycle_ratio=~:90\"), not \"80\""},
        {"=80", "-w expects CHANNEL=RANGE (\"Cycle Ratio=80\", \"cycle_ratio=~:90\"), not \"=80\""},
        {"Cycle Ratio=8o", "-w Cycle Ratio=8o: \"8o\" is not a range (10, 10:, ~:10, 10:20 or @10:20)"},
    };
    for (const auto& [text, message] : refusals) {
        try {
            parse_channel_threshold(threshold_level::warning, text);
            ADD_FAILURE() << text;
        } catch (const range_error& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
}

}  // namespace
