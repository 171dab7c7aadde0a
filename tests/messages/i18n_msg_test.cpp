#include "libi18n/i18n_msg.hpp"

#include <gtest/gtest.h>

#include "libi18n/i18n_exception.hpp"

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

TEST(i18n_msg, literal_message_is_not_a_key) {
    const auto ok = i18n::literal_msg("OK");
    EXPECT_EQ(ok.identifier(), "OK");
    EXPECT_EQ(ok.text(), "OK");
    EXPECT_EQ(i18n::literal_msg(""), i18n::i18n_msg("", ""));
}

TEST(i18n_exception, what_is_the_english_text_and_the_message_is_kept) {
    const i18n::i18n_exception error(i18n::make_msg(connection_failed, "h", "102", "down"));
    EXPECT_STREQ(error.what(), "Failed to connect to h:102. down");
    EXPECT_EQ(error.get_message().identifier(), "#:libs7.error.connection_failed[h,102,down]");
}

}  // namespace
