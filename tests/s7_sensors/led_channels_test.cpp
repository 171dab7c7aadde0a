#include "s7/led_channels.hpp"

#include <gtest/gtest.h>

#include "s7/exceptions/exceptions.hpp"
#include "tests/support/expect_error.hpp"

namespace {

using namespace korvel::probekit::s7;

TEST(led_channels, known_leds_carry_their_name_and_lookup) {
    const struct {
        std::uint16_t led_id;
        const char* key;
        const char* lookup;
    } rows[] = {
        {0x0004, "channel.led_number_0x04", "led_indicates_ok"},
        {0x0001, "channel.led_number_0x01", "led_indicates_error"},
        {0x0015, "channel.led_number_0x15", "led_indicates_warning"},
        {0x000e, "channel.led_number_0x0e", "led_unknown"},
        {0xF905, "channel.led_number_0x05", "led_indicates_error"},
        {0x0084, "channel.led_number_0x84", "led_indicates_error"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.key);
        const auto options = led_channel_options(row.led_id);
        EXPECT_EQ(options.id, row.led_id & 0xFF);
        EXPECT_EQ(options.key, row.key);
        EXPECT_EQ(options.display.identifier(), std::string("#:") + row.key + "[]");
        EXPECT_EQ(options.lookup, row.lookup);
        EXPECT_EQ(options.kind, 1);
        EXPECT_EQ(options.unit, 0);
    }
}

TEST(led_channels, an_unknown_led_keeps_its_key_and_is_named_by_its_identifier) {
    const auto options = led_channel_options(0x0017);
    EXPECT_EQ(options.id, 23);
    EXPECT_EQ(options.key, "channel.led_number_0x17");
    EXPECT_EQ(options.display.identifier(), "#:channel.led_unknown[0017]");
    EXPECT_EQ(options.display.text(), "LED 0x0017");
    EXPECT_EQ(options.lookup, "led_unknown");
    EXPECT_EQ(led_channel_options(0x00ab).display.text(), "LED 0x00AB");
}

TEST(led_channels, on_and_blink_bytes_decode_to_lookup_values) {
    EXPECT_EQ(led_state(4, 0, 0), 1);
    EXPECT_EQ(led_state(4, 1, 0), 2);
    EXPECT_EQ(led_state(4, 1, 1), 3);
    EXPECT_EQ(led_state(4, 1, 2), 4);
    test_support::expect_error<exceptions::unexpected_led_status>(
        [] { led_state(0x0004, 0, 1); }, "Unexpected status of LED 0x0004: IS_ON=0x00, IS_BLINKING=0x01");
    EXPECT_THROW(led_state(4, 2, 0), exceptions::s7_protocol_exception);
}

TEST(led_channels, redundant_records_apply_only_to_the_configured_rack) {
    EXPECT_TRUE(led_record_applies(0x0005, 0, 0, 1));
    EXPECT_TRUE(led_record_applies(0xF905, 1, 0, 1)) << "0xF8 | rack 1";
    EXPECT_TRUE(led_record_applies(0xF105, 1, 0, 1)) << "0xF0 | rack 1";
    EXPECT_FALSE(led_record_applies(0xFA05, 1, 0, 1)) << "rack 2";
    try {
        led_record_applies(0x1005, 1, 0, 1);
        FAIL() << "no exception";
    } catch (const exceptions::unexpected_led_id& error) {
        EXPECT_STREQ(error.what(), "Unexpected LED ID 0x1005 (IS_ON=0x01, IS_BLINKING=0x00)");
        EXPECT_EQ(error.get_message().identifier(), "#:error.unexpected_led_id[1005,01,00]");
    }
}

}  // namespace
