#include "s7/led_channels.hpp"

#include <gtest/gtest.h>

#include "s7/exceptions/exceptions.hpp"
#include "tests/support/expect_error.hpp"

namespace {

using namespace korvel::probekit::s7;
using test_support::expect_error;

// Known LEDs and their lookups are shown end to end against the simulated CPU.
TEST(led_channels, an_unknown_led_keeps_its_key_and_is_named_by_its_identifier) {
    const auto options = led_channel_options(0x0017);
    EXPECT_EQ(options.id, 23);
    EXPECT_EQ(options.key, "channel.led_number_0x17");
    EXPECT_EQ(options.display.identifier(), "#:channel.led_unknown[0017]");
    EXPECT_EQ(options.display.text(), "LED 0x0017");
    EXPECT_EQ(options.lookup, "led_unknown");
    EXPECT_EQ(led_channel_options(0x00ab).display.text(), "LED 0x00AB");
}

TEST(led_channels, only_known_on_and_blink_bytes_and_led_ids_are_accepted) {
    EXPECT_EQ(led_state(4, 1, 2), 4) << "flashing fast";
    expect_error<exceptions::unexpected_led_status>(
        [] { led_state(0x0004, 0, 1); }, "Unexpected status of LED 0x0004: IS_ON=0x00, IS_BLINKING=0x01");
    EXPECT_THROW(led_state(4, 2, 0), exceptions::s7_protocol_exception);

    // A redundant CPU's records carry 0xF8 or 0xF0 with its rack in the high byte.
    EXPECT_TRUE(led_record_applies(0xF105, 1, 0, 1));
    EXPECT_FALSE(led_record_applies(0xF105, 1, 0, 0));
    try {
        led_record_applies(0x1005, 1, 0, 1);
        ADD_FAILURE() << "no exception";
    } catch (const exceptions::unexpected_led_id& error) {
        EXPECT_STREQ(error.what(), "Unexpected LED ID 0x1005 (IS_ON=0x01, IS_BLINKING=0x00)");
        EXPECT_EQ(error.get_message().identifier(), "#:error.unexpected_led_id[1005,01,00]");
    }
}

}  // namespace
