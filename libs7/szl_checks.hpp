#pragma once

#include <cstdint>
#include <span>

#include "liblog/log_interface.hpp"
#include "libs7/szl_address.hpp"

// The part of read_szl's decoding callback that does not depend on the record type.
namespace korvel::probekit::libs7 {

struct szl_expectation {
    std::uint32_t record_length = 0;
    bool single_record = false;
};

// Logs the raw list at level 7, then checks in this order: data size against LENTHDR times N_DR
// (N_DR 0xFFFF is corrected from the data size, logged at level 4), LENTHDR against the expected
// length, and for single-record lists a count of one. Returns the record count to decode.
// Throws total_bytes_mismatch, element_size_mismatch or unexpected_multiple_elements.
std::uint32_t checked_record_count(const szl_address& address, std::span<const std::uint8_t> records,
                                   std::uint32_t record_length, std::uint32_t record_count,
                                   const szl_expectation& expected, liblog::log_interface& log);

}  // namespace korvel::probekit::libs7
