#include "libi18n/i18n_msg.hpp"

#include <gtest/gtest.h>

namespace {

namespace i18n = korvel::probekit::libi18n;

constexpr i18n::message_key connection_failed{"libs7.error.connection_failed",
                                              "Failed to connect to %0:s:%1:s. %2:s"};

// Messages without arguments are shown with every class of the catalogue (tests/catalogue).
TEST(i18n_msg, identifier_carries_key_and_escaped_arguments_text_is_filled_in) {
    const auto message = i18n::make_msg(connection_failed, "plc,1", "a:b", "x\\#[y]");
    EXPECT_EQ(message.identifier(), "#:libs7.error.connection_failed[plc\\,1,a\\:b,x\\\\\\#\\[y\\]]");
    EXPECT_EQ(message.text(), "Failed to connect to plc,1:a:b. x\\#[y]");
    EXPECT_EQ(i18n::escape_argument("plain text 100% ok; é"), "plain text 100% ok; é");
}

// The host translates the identifier and shows the context before and the cause after it, so both
// stay out of the identifier and survive each other.
TEST(i18n_msg, a_cause_follows_the_text_in_one_parenthesis_and_keeps_its_place_under_a_context) {
    const auto message = i18n::make_msg(connection_failed, "plc", "102", "x").with_cause("refused").with_context("S: ");
    EXPECT_EQ(message.identifier(), "#:libs7.error.connection_failed[plc,102,x]");
    EXPECT_EQ(message.text(), "S: Failed to connect to plc:102. x (refused)");
    EXPECT_EQ(message.context(), "S: ");
    EXPECT_EQ(message.cause(), " (refused)");
}

}  // namespace
