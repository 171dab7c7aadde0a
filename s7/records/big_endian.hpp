#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvel::probekit::s7 {

// Controllers send multi-byte fields most significant byte first.
inline std::uint16_t big_endian_u16(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] * 256U + bytes[offset + 1]);
}

}  // namespace korvel::probekit::s7
