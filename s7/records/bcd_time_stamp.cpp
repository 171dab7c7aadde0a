#include "s7/records/bcd_time_stamp.hpp"

#include <cstdio>

namespace korvel::probekit::s7 {

namespace {

int bcd(std::uint8_t pair) {
    return (pair >> 4) * 10 + (pair & 0x0F);
}

}  // namespace

std::string bcd_time_stamp_text(std::span<const std::uint8_t, 8> date_and_time) {
    const int year_in_century = bcd(date_and_time[0]);
    const int year = year_in_century < 90 ? 2000 + year_in_century : 1900 + year_in_century;
    const int milliseconds = bcd(date_and_time[6]) * 10 + (date_and_time[7] >> 4);
    // Wide enough for the largest values that malformed digits can produce.
    char text[64];
    std::snprintf(text, sizeof text, "%4d-%02d-%02dT%02d:%02d:%02d.%03d", year, bcd(date_and_time[1]),
                  bcd(date_and_time[2]), bcd(date_and_time[3]), bcd(date_and_time[4]), bcd(date_and_time[5]),
                  milliseconds);
    return text;
}

}  // namespace korvel::probekit::s7
