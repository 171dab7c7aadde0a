#include "libjsonparser/json_conversions.hpp"

#include <charconv>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <string_view>
#include <system_error>

#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/json_kind.hpp"
#include "libjsonparser/json_text.hpp"
#include "libjsonparser/text_excerpt.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

constexpr std::string_view integer_name = "integer";
constexpr std::string_view unsigned_integer_name = "unsigned integer";
constexpr std::string_view floating_point_name = "floating point";

[[noreturn]] void throw_conversion(std::string_view text, std::string_view target) {
    throw exceptions::conversion_error(text_excerpt(text), std::string(target));
}

// The whole text must be the number: no sign but "-", no white space, nothing after it.
template <typename Number>
Number parse_number(const std::string& text, std::string_view target) {
    Number number{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || stop != end || text.empty()) {
        throw_conversion(text, target);
    }
    return number;
}

}  // namespace

void throw_unexpected_array(std::size_t size) {
    throw exceptions::unexpected_array_error("Array size is: " + std::to_string(size));
}

const nlohmann::json& single_value(const nlohmann::json& value) {
    if ((value.is_array() || value.is_object()) && value.size() > 1) {
        throw_unexpected_array(value.size());
    }
    return value.is_array() && value.size() == 1 ? value.front() : value;
}

void throw_unexpected_type(const nlohmann::json& value, std::string_view expected, const value_site& site) {
    const std::string path = member_path(site);
    const std::string member =
        path.empty() ? "The top-level value" : "Member " + text_excerpt(path, 2 * max_quoted_text_length);
    throw libparser::exceptions::unexpected_type_error(member + ": expected " + std::string(expected) +
                                                       ", found " + std::string(kind_name(kind_of(value))));
}

// A value without a kind takes the `default` branch of each switch, whose error then names it.
std::string convert_to_string(const nlohmann::json& value, const value_site& site) {
    switch (kind_of(value).value_or(json_kind::object)) {
        case json_kind::null:
            return {};
        case json_kind::string:
            return value.get_ref<const std::string&>();
        case json_kind::boolean:
        case json_kind::int64:
        case json_kind::uint64:
        case json_kind::half:
        case json_kind::floating:
            return json_text_of(value);
        default:
            throw_unexpected_type(value, "string", site);
    }
}

std::int64_t convert_to_int64(const nlohmann::json& value, const value_site& site) {
    switch (kind_of(value).value_or(json_kind::object)) {
        case json_kind::int64:
            return value.get<std::int64_t>();
        case json_kind::uint64:
            throw_conversion(json_text_of(value), integer_name);
        case json_kind::string:
            return parse_number<std::int64_t>(value.get_ref<const std::string&>(), integer_name);
        default:
            throw_unexpected_type(value, "int64", site);
    }
}

std::uint64_t convert_to_uint64(const nlohmann::json& value, const value_site& site) {
    switch (kind_of(value).value_or(json_kind::object)) {
        case json_kind::int64:
            if (value.get<std::int64_t>() < 0) {
                throw_conversion(json_text_of(value), unsigned_integer_name);
            }
            return value.get<std::uint64_t>();
        case json_kind::uint64:
            return value.get<std::uint64_t>();
        case json_kind::string:
            return parse_number<std::uint64_t>(value.get_ref<const std::string&>(), unsigned_integer_name);
        default:
            throw_unexpected_type(value, "uint64", site);
    }
}

double convert_to_double(const nlohmann::json& value, const value_site& site) {
    switch (kind_of(value).value_or(json_kind::object)) {
        case json_kind::int64:
        case json_kind::uint64:
        case json_kind::floating:
            return value.get<double>();
        case json_kind::string: {
            const auto& text = value.get_ref<const std::string&>();
            const double number = parse_number<double>(text, floating_point_name);
            // from_chars also reads "inf" and "nan", which no JSON number can be.
            if (!std::isfinite(number)) {
                throw_conversion(text, floating_point_name);
            }
            return number;
        }
        default:
            throw_unexpected_type(value, "double", site);
    }
}

bool convert_to_bool(const nlohmann::json& value, const value_site& site) {
    if (value.is_boolean()) {
        return value.get<bool>();
    }
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        if (text == "true" || text == "false") {
            return text == "true";
        }
    }
    throw_unexpected_type(value, "bool", site);
}

}  // namespace korvel::probekit::libjsonparser
