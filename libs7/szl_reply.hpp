#pragma once

#include <cstdint>
#include <span>

#include "libs7/connection_interface.hpp"
#include "libs7/szl_address.hpp"

// What snap7_connection does with a list once the link is released.
namespace korvel::probekit::libs7 {

// The most record bytes a list may carry: the read buffer less its 4-byte header.
inline constexpr std::size_t max_szl_record_bytes = 16380;

// Checks the size of what arrived (header in host order, then the records), then hands the records
// with the header's length and count to the callback. Throws read_szl_failed for fewer than 4 bytes
// or more than max_szl_record_bytes record bytes.
void deliver_szl_records(const szl_address& address, std::span<const std::uint8_t> received,
                         const szl_record_callback& callback);

}  // namespace korvel::probekit::libs7
