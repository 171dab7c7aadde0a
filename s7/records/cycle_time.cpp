#include "s7/records/cycle_time.hpp"

#include "s7/records/big_endian.hpp"

namespace korvel::probekit::libs7 {

s7::cycle_time szl_record_traits<s7::cycle_time>::decode(std::span<const std::uint8_t> record) {
    return {s7::big_endian_u16(record, 6), s7::big_endian_u16(record, 8), s7::big_endian_u16(record, 10)};
}

}  // namespace korvel::probekit::libs7
