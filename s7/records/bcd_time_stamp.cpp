#include "s7/records/bcd_time_stamp.hpp"

namespace korvel::probekit::s7 {

namespace {

int bcd(std::uint8_t pair) {
    return (pair >> 4) * 10 + (pair & 0x0F);
}

// At least `width` decimal digits with leading zeros, more when the value needs them (malformed BCD
// digits reach 165). A diagnostic buffer holds hundreds of entries, so this runs per entry and scan.
void append_digits(std::string& text, int value, int width) {
    char digits[8];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0);
    for (; width > count; --width) text += '0';
    while (count > 0) text += digits[--count];
}

}  // namespace

std::string bcd_time_stamp_text(std::span<const std::uint8_t, 8> date_and_time) {
    const int year_in_century = bcd(date_and_time[0]);
    const int year = year_in_century < 90 ? 2000 + year_in_century : 1900 + year_in_century;
    const int milliseconds = bcd(date_and_time[6]) * 10 + (date_and_time[7] >> 4);
    std::string text;
    text.reserve(24);
    append_digits(text, year, 4);
    constexpr char separators[] = {'-', '-', 'T', ':', ':'};
    for (int field = 1; field <= 5; ++field) {
        text += separators[field - 1];
        append_digits(text, bcd(date_and_time[static_cast<std::size_t>(field)]), 2);
    }
    text += '.';
    append_digits(text, milliseconds, 3);
    return text;
}

}  // namespace korvel::probekit::s7
