#include "s7/records/diagnostics_data.hpp"

#include "s7/records/bcd_time_stamp.hpp"
#include "s7/records/big_endian.hpp"

namespace korvel::probekit::s7 {

diagnostic_entry decode_diagnostic_entry(std::span<const std::uint8_t> record) {
    constexpr std::size_t time_stamp_offset = 12;
    return {big_endian_u16(record, 0), bcd_time_stamp_text(record.subspan<time_stamp_offset, 8>())};
}

}  // namespace korvel::probekit::s7
