#pragma once

#include <cstdint>
#include <span>

#include "libs7/szl_traits.hpp"

namespace korvel::probekit::s7::ob1 {

// The CPU's operating mode, list 0x0424: a value of the cpu_status lookup, unknown (0) to nopower (15).
struct cpu_status {
    std::int64_t mode = 0;
};

}  // namespace korvel::probekit::s7::ob1

template <>
struct korvel::probekit::libs7::szl_record_traits<korvel::probekit::s7::ob1::cpu_status> {
    static constexpr szl_address address{0x0424, 0x0000};
    static constexpr std::uint32_t record_length = 20;
    // Throws invalid_lookup_value for a mode byte above 15.
    static s7::ob1::cpu_status decode(std::span<const std::uint8_t> record);
};
