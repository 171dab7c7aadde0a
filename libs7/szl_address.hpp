#pragma once

#include <cstdint>
#include <string>

namespace korvel::probekit::libs7 {

// Which system status list to read: list ID and index.
struct szl_address {
    std::uint16_t szl_id = 0;
    std::uint16_t index = 0;
};

// Four lower-case hexadecimal digits with leading zeros, the way list IDs and indexes appear in
// error arguments and log lines ("00a0", "01f4").
std::string four_hex_digits(std::uint16_t value);

// "0x00a0/0x0000", as the log lines name a list.
std::string to_text(const szl_address& address);

}  // namespace korvel::probekit::libs7
