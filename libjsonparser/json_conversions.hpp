#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "libjsonparser/json_kind.hpp"
#include "libjsonparser/json_view.hpp"
#include "libjsonparser/value_site.hpp"

namespace korvel::probekit::libjsonparser {

[[noreturn]] void throw_unexpected_array(std::size_t size);

// "Member result.token: expected string, found object".
[[noreturn]] void throw_unexpected_type(std::optional<json_kind> found, std::string_view expected,
                                        const value_site& site);

// The numbers a string holds: the whole text must be the number (no sign but "-", no white space,
// nothing after it, nothing a JSON number cannot be); conversion_error otherwise.
std::int64_t int64_of_text(std::string_view text);
std::uint64_t uint64_of_text(std::string_view text);
double double_of_text(std::string_view text);
// conversion_error: `text` does not hold the wanted number ("integer", "unsigned integer").
[[noreturn]] void throw_conversion(std::string_view text, std::string_view target);
inline constexpr std::string_view integer_name = "integer";
inline constexpr std::string_view unsigned_integer_name = "unsigned integer";

// The value a value query converts: an array of exactly one element stands for that element; an array
// or object of more than one element or member throws unexpected_array_error ("Array size is: N").
template <json_view View>
View single_value(View value) {
    const auto kind = value.kind();
    if (kind != json_kind::array && kind != json_kind::object) return value;
    const std::size_t size = value.size();
    if (size > 1) throw_unexpected_array(size);
    return kind == json_kind::array && size == 1 ? value.element(0) : value;
}

// The conversions of the value queries. A kind a conversion does not take throws unexpected_type_error
// naming the member (from `site`), the kind expected and the kind found; a string that does not hold
// the wanted number throws conversion_error. A value without a kind takes the `default` branch of each
// switch, whose error then names it.

// Null is the empty text; booleans and numbers are their text form.
template <json_view View>
std::string convert_to_string(View value, const value_site& site) {
    switch (value.kind().value_or(json_kind::object)) {
        case json_kind::null:
            return {};
        case json_kind::string:
            return std::string(value.string());
        case json_kind::boolean:
        case json_kind::int64:
        case json_kind::uint64:
        case json_kind::half:
        case json_kind::floating:
            return value.text();
        default:
            throw_unexpected_type(value.kind(), "string", site);
    }
}

// Integers and decimal strings.
template <json_view View>
std::int64_t convert_to_int64(View value, const value_site& site) {
    switch (value.kind().value_or(json_kind::object)) {
        case json_kind::int64:
            return value.int64();
        case json_kind::uint64:
            throw_conversion(value.text(), integer_name);
        case json_kind::string:
            return int64_of_text(value.string());
        default:
            throw_unexpected_type(value.kind(), "int64", site);
    }
}

// The non-negative ones.
template <json_view View>
std::uint64_t convert_to_uint64(View value, const value_site& site) {
    switch (value.kind().value_or(json_kind::object)) {
        case json_kind::int64:
            if (value.int64() < 0) throw_conversion(value.text(), unsigned_integer_name);
            return static_cast<std::uint64_t>(value.int64());
        case json_kind::uint64:
            return value.uint64();
        case json_kind::string:
            return uint64_of_text(value.string());
        default:
            throw_unexpected_type(value.kind(), "uint64", site);
    }
}

// Numbers and numeric strings.
template <json_view View>
double convert_to_double(View value, const value_site& site) {
    switch (value.kind().value_or(json_kind::object)) {
        case json_kind::int64:
            return static_cast<double>(value.int64());
        case json_kind::uint64:
            return static_cast<double>(value.uint64());
        case json_kind::floating:
            return value.floating();
        case json_kind::string:
            return double_of_text(value.string());
        default:
            throw_unexpected_type(value.kind(), "double", site);
    }
}

// Booleans, "true" and "false".
template <json_view View>
bool convert_to_bool(View value, const value_site& site) {
    const auto kind = value.kind();
    if (kind == json_kind::boolean) return value.boolean();
    if (kind == json_kind::string && (value.string() == "true" || value.string() == "false")) {
        return value.string() == "true";
    }
    throw_unexpected_type(kind, "bool", site);
}

}  // namespace korvel::probekit::libjsonparser
