// The four limit slots, evaluated value by value as the host protocol describes.

#include "host/cli/limit_tracker.hpp"

#include <gtest/gtest.h>

namespace {

using namespace korvel::probekit::host;

struct step {
    double value;
    severity expected;
};

struct sequence {
    std::string name;
    limit_slots slots;
    std::vector<step> steps;
};

constexpr auto ok = severity::ok;
constexpr auto warning = severity::warning;
constexpr auto error = severity::error;

TEST(limit_tracker, evaluates_each_value_in_order) {
    const std::vector<sequence> sequences{
        {"cycle ratio: warning from 80 held until below 70, error from 100",
         {80.0, std::nullopt, 70.0, 100.0},
         {{50, ok}, {80, warning}, {75, warning}, {70, warning}, {69.9, ok}, {75, ok}, {99.9, warning}, {100, error}}},
        {"an error does not hold slot 1's warning",
         {80.0, std::nullopt, 70.0, 100.0},
         {{100, error}, {75, ok}}},
        {"a warning from slot 2 does not hold either",
         {80.0, 90.0, 70.0, std::nullopt},
         {{95, warning}, {75, ok}, {85, warning}, {95, warning}, {75, ok}}},
        {"program load: warning above 80, error from 100",
         {std::nullopt, 80.0, std::nullopt, 100.0},
         {{80, ok}, {80.5, warning}, {100, error}, {99, warning}, {10, ok}}},
        {"slot 1 without slot 3 has no hysteresis",
         {80.0, std::nullopt, std::nullopt, std::nullopt},
         {{80, warning}, {79, ok}}},
        {"slot 3 alone means nothing",
         {std::nullopt, std::nullopt, 70.0, std::nullopt},
         {{75, ok}, {65, ok}}},
    };
    for (const auto& [name, slots, steps] : sequences) {
        SCOPED_TRACE(name);
        limit_tracker tracker(slots);
        for (std::size_t index = 0; index < steps.size(); ++index) {
            SCOPED_TRACE("step " + std::to_string(index) + ", value " + std::to_string(steps[index].value));
            EXPECT_EQ(tracker.evaluate(steps[index].value), steps[index].expected);
        }
    }
}

}  // namespace
