#include "libs7/szl_reply.hpp"

#include <cstring>
#include <string>

#include "libs7/exceptions.hpp"

namespace korvel::probekit::libs7 {

namespace {

constexpr std::size_t header_bytes = 4;

}  // namespace

void deliver_szl_records(const szl_address& address, std::span<const std::uint8_t> received,
                         const szl_record_callback& callback) {
    const auto fail = [&](const std::string& reason) {
        throw exceptions::read_szl_failed(four_hex_digits(address.szl_id), four_hex_digits(address.index),
                                          reason);
    };
    if (received.size() < header_bytes) {
        fail("Incomplete SZL: Received only " + std::to_string(received.size()) + " bytes");
    }
    // snap7 has already turned the two header words into host byte order.
    std::uint16_t header[2];
    std::memcpy(header, received.data(), header_bytes);
    const auto records = received.subspan(header_bytes);
    if (records.size() > max_szl_record_bytes) {
        fail("Buffer overflow: Got " + std::to_string(records.size()) + " bytes for buffer of size " +
             std::to_string(max_szl_record_bytes));
    }
    callback(records, header[0], header[1]);
}

}  // namespace korvel::probekit::libs7
