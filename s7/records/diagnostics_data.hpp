#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "libs7/szl_traits.hpp"

namespace korvel::probekit::s7 {

// One diagnostic buffer entry: event ID and time stamp text (see bcd_time_stamp_text).
struct diagnostic_entry {
    std::uint16_t event_id = 0;
    std::string time_stamp;

    bool operator==(const diagnostic_entry&) const = default;
};

// An entry of the whole buffer (list 0x00A0) or of its 500 most recent entries (list 0x01A0). Two
// types, so that the list to read follows from the type; both are diagnostic entries to evaluate.
struct all_diagnostics_data : diagnostic_entry {};
struct recent_diagnostics_data : diagnostic_entry {};

// The 20-byte record layout both lists share.
diagnostic_entry decode_diagnostic_entry(std::span<const std::uint8_t> record);

}  // namespace korvel::probekit::s7

template <>
struct korvel::probekit::libs7::szl_record_traits<korvel::probekit::s7::all_diagnostics_data> {
    static constexpr szl_address address{0x00A0, 0x0000};
    static constexpr std::uint32_t record_length = 20;
    static s7::all_diagnostics_data decode(std::span<const std::uint8_t> record) {
        return {s7::decode_diagnostic_entry(record)};
    }
};

template <>
struct korvel::probekit::libs7::szl_record_traits<korvel::probekit::s7::recent_diagnostics_data> {
    static constexpr std::uint16_t most_recent_entries = 500;
    static constexpr szl_address address{0x01A0, most_recent_entries};
    static constexpr std::uint32_t record_length = 20;
    static s7::recent_diagnostics_data decode(std::span<const std::uint8_t> record) {
        return {s7::decode_diagnostic_entry(record)};
    }
};
