#include "s7/records/led_status.hpp"

#include "s7/records/big_endian.hpp"

namespace korvel::probekit::libs7 {

s7::led_status szl_record_traits<s7::led_status>::decode(std::span<const std::uint8_t> record) {
    return {s7::big_endian_u16(record, 0), record[2], record[3]};
}

}  // namespace korvel::probekit::libs7
