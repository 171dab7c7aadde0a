#include "libi18n/i18n_msg.hpp"

#include <gtest/gtest.h>

namespace {

namespace i18n = korvel::probekit::libi18n;

constexpr i18n::message_key connection_failed{"libs7.error.connection_failed", "Failed to connect to %0:s:%1:s. %2:s"};
constexpr i18n::message_key no_leds{"error.no_leds_found", "No LEDs found"};

TEST(i18n_msg, identifier_carries_key_and_escaped_arguments_text_is_filled_in) {
    const auto message = i18n::make_msg(connection_failed, "plc,1", "a:b", "x\\#[y]");
    EXPECT_EQ(message.identifier(), "#:libs7.error.connection_failed[plc\\,1,a\\:b,x\\\\\\#\\[y\\]]");
    EXPECT_EQ(message.text(), "Failed to connect to plc,1:a:b. x\\#[y]");
}

TEST(i18n_msg, message_without_arguments_keeps_the_brackets) {
    const auto message = i18n::make_msg(no_leds);
    EXPECT_EQ(message.identifier(), "#:error.no_leds_found[]");
    EXPECT_EQ(message.text(), "No LEDs found");
}

TEST(i18n_msg, escaping_leaves_other_characters_alone) {
    EXPECT_EQ(i18n::escape_argument("plain text 100% ok; é"), "plain text 100% ok; é");
    EXPECT_EQ(i18n::escape_argument(""), "");
}

}  // namespace
