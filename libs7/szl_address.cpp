#include "libs7/szl_address.hpp"

#include "libstringutils/hex.hpp"

namespace korvel::probekit::libs7 {

std::string four_hex_digits(std::uint16_t value) { return libstringutils::hex_digits(value, 4); }

std::string to_text(const szl_address& address) {
    return "0x" + four_hex_digits(address.szl_id) + "/0x" + four_hex_digits(address.index);
}

}  // namespace korvel::probekit::libs7
