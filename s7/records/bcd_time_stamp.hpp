#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace korvel::probekit::s7 {

// An S7 date-and-time (8 BCD bytes: year, month, day, hour, minute, second, milliseconds in
// byte 6 and the high nibble of byte 7, weekday in the low nibble) as
// "%4d-%02d-%02dT%02d:%02d:%02d.%03d". Years below 90 are 20xx, others 19xx. These texts sort in
// time order as plain strings. Digits above 9 are not rejected; they only widen the text.
std::string bcd_time_stamp_text(std::span<const std::uint8_t, 8> date_and_time);

}  // namespace korvel::probekit::s7
