#include "libstringutils/format_string.hpp"

#include <limits>
#include <stdexcept>

#include "libstringutils/exceptions.hpp"

namespace korvel::probekit::libstringutils {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The index must fit a 32-bit signed number, like the conversion the texts were written against.
std::size_t placeholder_index(std::string_view digits) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max()) throw std::out_of_range("stol argument out of range");
    }
    return static_cast<std::size_t>(value);
}

}  // namespace

std::string format_string(std::string_view format, std::span<const std::string> arguments) {
    std::string result;
    result.reserve(format.size());
    std::size_t position = 0;
    while (position < format.size()) {
        const std::size_t percent = format.find('%', position);
        if (percent == std::string_view::npos) {
            result.append(format.substr(position));
            break;
        }
        result.append(format.substr(position, percent - position));
        std::size_t cursor = percent + 1;
        if (cursor < format.size() && format[cursor] == '%') {
            result.push_back('%');
            position = cursor + 1;
            continue;
        }
        while (cursor < format.size() && is_digit(format[cursor])) ++cursor;
        const std::string_view digits = format.substr(percent + 1, cursor - percent - 1);
        if (digits.empty() || format.substr(cursor, 2) != ":s") throw exceptions::format_string_error();
        const std::size_t index = placeholder_index(digits);
        if (index >= arguments.size()) throw exceptions::placeholder_index_not_in_arguments(std::string(digits));
        result.append(arguments[index]);
        position = cursor + 2;
    }
    return result;
}

}  // namespace korvel::probekit::libstringutils
