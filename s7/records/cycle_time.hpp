#pragma once

#include <cstdint>
#include <span>

#include "libs7/szl_traits.hpp"

namespace korvel::probekit::s7 {

// OB1 cycle times in milliseconds, list 0x0222 index 1.
struct cycle_time {
    std::int64_t previous_ms = 0;
    std::int64_t minimum_ms = 0;
    std::int64_t maximum_ms = 0;
};

}  // namespace korvel::probekit::s7

template <>
struct korvel::probekit::libs7::szl_record_traits<korvel::probekit::s7::cycle_time> {
    static constexpr szl_address address{0x0222, 0x0001};
    static constexpr std::uint32_t record_length = 28;
    static s7::cycle_time decode(std::span<const std::uint8_t> record);
};
