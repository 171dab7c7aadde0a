#include "libs7/szl_address.hpp"

#include <cstdio>

namespace korvel::probekit::libs7 {

std::string four_hex_digits(std::uint16_t value) {
    char digits[5];
    std::snprintf(digits, sizeof digits, "%04x", static_cast<unsigned>(value));
    return digits;
}

std::string to_text(const szl_address& address) {
    return "0x" + four_hex_digits(address.szl_id) + "/0x" + four_hex_digits(address.index);
}

}  // namespace korvel::probekit::libs7
