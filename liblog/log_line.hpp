#pragma once

#include <charconv>
#include <concepts>
#include <string>
#include <string_view>

#include "liblog/log_interface.hpp"

namespace korvel::probekit::liblog {

namespace detail {

inline void append_part(std::string& line, std::string_view text) {
    line.append(text);
}

template <std::integral Number>
void append_part(std::string& line, Number number) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
    line.append(digits, end);
}

}  // namespace detail

// One log line from texts and integers, as `"a" + std::to_string(n) + "b"` would write it, in one
// allocation. Callers build it only after the log's enabled() said yes.
template <typename... Parts>
std::string log_line(const Parts&... parts) {
    std::string line;
    (detail::append_part(line, parts), ...);
    return line;
}

// Writes log_line(parts...) at level, formatting nothing when the log is off.
template <typename... Parts>
void write_line(log_interface& log, int level, const Parts&... parts) {
    if (log.enabled()) log.log(level, log_line(parts...));
}

}  // namespace korvel::probekit::liblog
