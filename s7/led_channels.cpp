#include "s7/led_channels.hpp"

#include <string>

#include "libi18n/i18n_msg.hpp"
#include "libstringutils/hex.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/texts/sensor_texts.hpp"

namespace korvel::probekit::s7 {
namespace {

namespace channel = texts::channel;
using libstringutils::hex_case;
using libstringutils::hex_digits;

struct known_led {
    std::uint8_t number;
    const libi18n::message_key& name;
    const char* lookup;
};

constexpr const char* indicates_error = "led_indicates_error";
constexpr const char* indicates_ok = "led_indicates_ok";
constexpr const char* indicates_warning = "led_indicates_warning";
constexpr const char* unknown_meaning = "led_unknown";

const known_led known_leds[] = {
    {0x01, channel::led_number_0x01, indicates_error},   {0x02, channel::led_number_0x02, indicates_error},
    {0x03, channel::led_number_0x03, indicates_error},   {0x04, channel::led_number_0x04, indicates_ok},
    {0x05, channel::led_number_0x05, indicates_error},   {0x06, channel::led_number_0x06, indicates_warning},
    {0x07, channel::led_number_0x07, indicates_error},   {0x08, channel::led_number_0x08, indicates_error},
    {0x09, channel::led_number_0x09, unknown_meaning},   {0x0a, channel::led_number_0x0a, unknown_meaning},
    {0x0b, channel::led_number_0x0b, indicates_error},   {0x0c, channel::led_number_0x0c, indicates_error},
    {0x0d, channel::led_number_0x0d, indicates_error},   {0x0e, channel::led_number_0x0e, unknown_meaning},
    {0x0f, channel::led_number_0x0f, unknown_meaning},   {0x10, channel::led_number_0x10, unknown_meaning},
    {0x11, channel::led_number_0x11, unknown_meaning},   {0x12, channel::led_number_0x12, indicates_error},
    {0x13, channel::led_number_0x13, indicates_error},   {0x14, channel::led_number_0x14, indicates_error},
    {0x15, channel::led_number_0x15, indicates_warning}, {0x16, channel::led_number_0x16, indicates_ok},
    {0x80, channel::led_number_0x80, indicates_error},   {0x81, channel::led_number_0x81, indicates_error},
    {0x82, channel::led_number_0x82, indicates_error},   {0x83, channel::led_number_0x83, indicates_error},
    {0x84, channel::led_number_0x84, indicates_error},
};

const known_led* find_known(std::uint8_t number) {
    for (const auto& led : known_leds) {
        if (led.number == number) return &led;
    }
    return nullptr;
}

}  // namespace

libvexahelper::channels::dynamic_channel_options led_channel_options(std::uint16_t led_id) {
    const auto number = static_cast<std::uint8_t>(led_id & 0xFF);
    libvexahelper::channels::dynamic_channel_options options;
    options.id = number;
    options.key = "channel.led_number_0x" + hex_digits(number, 2);
    if (const known_led* known = find_known(number)) {
        options.display = libi18n::make_msg(known->name);
        options.lookup = known->lookup;
    } else {
        options.display = libi18n::make_msg(channel::led_unknown, hex_digits(led_id, 4, hex_case::upper));
        options.lookup = unknown_meaning;
    }
    return options;
}

std::int64_t led_state(std::uint16_t led_id, std::uint8_t on, std::uint8_t blink) {
    if (on == 0 && blink == 0) return 1;
    if (on == 1 && blink == 0) return 2;
    if (on == 1 && blink == 1) return 3;
    if (on == 1 && blink == 2) return 4;
    throw exceptions::unexpected_led_status(hex_digits(led_id, 4), hex_digits(on, 2), hex_digits(blink, 2));
}

bool led_record_applies(std::uint16_t led_id, std::uint8_t on, std::uint8_t blink, std::int64_t rack) {
    switch (led_id >> 12) {
        case 0x0:
            return true;
        case 0xF: {
            // The high byte is 0xF0 or 0xF8 combined with the rack of one CPU of the redundant pair.
            const auto high_byte = static_cast<std::uint8_t>(led_id >> 8);
            const auto rack_bits = static_cast<std::uint8_t>(rack);
            return high_byte == (rack_bits | 0xF8) || high_byte == (rack_bits | 0xF0);
        }
        default:
            throw exceptions::unexpected_led_id(hex_digits(led_id, 4), hex_digits(on, 2), hex_digits(blink, 2));
    }
}

}  // namespace korvel::probekit::s7
