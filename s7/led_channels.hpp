#pragma once

#include <cstdint>

#include "framework/channels/dynamic_channel_options.hpp"

namespace korvel::probekit::s7 {

// The channel of one front-panel LED: id and key from the LED number (the identifier's low byte),
// the lookup that says what the LED's states mean. A LED the module has no name for is displayed
// as "LED 0x" and its full identifier.
libvexahelper::channels::dynamic_channel_options led_channel_options(std::uint16_t led_id);

// Values of the LED lookups: off (1), on (2), flashing normally (3) or slowly (4).
// Any other on/blink pair throws unexpected_led_status.
std::int64_t led_state(std::uint16_t led_id, std::uint8_t on, std::uint8_t blink);

// Whether a record belongs to the configured rack: plain CPU records always do; records of a
// redundant system (top four bits 0xF) only for that rack. Other forms throw unexpected_led_id.
bool led_record_applies(std::uint16_t led_id, std::uint8_t on, std::uint8_t blink, std::int64_t rack);

}  // namespace korvel::probekit::s7
