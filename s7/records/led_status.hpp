#pragma once

#include <cstdint>
#include <span>

#include "libs7/szl_traits.hpp"

namespace korvel::probekit::s7 {

// One front-panel LED, list 0x0074; the low byte of the identifier is the LED number.
struct led_status {
    std::uint16_t led_id = 0;
    std::uint8_t on = 0;
    std::uint8_t blink = 0;
};

}  // namespace korvel::probekit::s7

template <>
struct korvel::probekit::libs7::szl_record_traits<korvel::probekit::s7::led_status> {
    static constexpr szl_address address{0x0074, 0x0000};
    static constexpr std::uint32_t record_length = 4;
    static s7::led_status decode(std::span<const std::uint8_t> record);
};
