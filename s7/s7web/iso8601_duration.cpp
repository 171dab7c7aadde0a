#include "s7/s7web/iso8601_duration.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <stdexcept>
#include <string_view>

#include "libjsonparser/text_excerpt.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

// Matched by hand rather than with std::regex ("^PT(\d+)(?:\.(\d{1,3})\d*)?S$"): libstdc++'s regex
// recurses per character, so a long text from the device could exhaust the stack.
bool all_digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

[[noreturn]] void throw_invalid(const std::string& text) {
    throw std::invalid_argument("Invalid ISO 8601 duration format:" + libjsonparser::text_excerpt(text));
}

// The text std::stol's range error carries where the library spells it out (libstdc++ says only
// "stol"), so the message reads the same on every platform.
[[noreturn]] void throw_out_of_range() {
    throw std::out_of_range("stol argument out of range");
}

std::int64_t seconds_of(std::string_view digits) {
    std::int64_t seconds = 0;
    if (std::from_chars(digits.data(), digits.data() + digits.size(), seconds).ec != std::errc())
        throw_out_of_range();
    return seconds;
}

// "5" is 500 ms, "05" 50 ms, "123456" 123 ms.
std::int64_t milliseconds_of(std::string_view fraction) {
    std::int64_t milliseconds = 0;
    for (std::size_t i = 0; i < 3; ++i)
        milliseconds = milliseconds * 10 + (i < fraction.size() ? fraction[i] - '0' : 0);
    return milliseconds;
}

}  // namespace

std::int64_t parse_iso8601_duration(const std::string& text) {
    const std::string_view whole(text);
    if (whole.size() < 4 || !whole.starts_with("PT") || !whole.ends_with('S')) throw_invalid(text);
    const std::string_view number = whole.substr(2, whole.size() - 3);
    const std::size_t dot = number.find('.');
    const std::string_view seconds = number.substr(0, dot);
    const std::string_view fraction =
        dot == std::string_view::npos ? std::string_view() : number.substr(dot + 1);
    if (!all_digits(seconds) || (dot != std::string_view::npos && !all_digits(fraction))) throw_invalid(text);

    const std::int64_t whole_seconds = seconds_of(seconds);
    const std::int64_t milliseconds = milliseconds_of(fraction);
    if (whole_seconds > (std::numeric_limits<std::int64_t>::max() - milliseconds) / 1000)
        throw_out_of_range();
    return whole_seconds * 1000 + milliseconds;
}

}  // namespace korvel::probekit::s7::s7web
