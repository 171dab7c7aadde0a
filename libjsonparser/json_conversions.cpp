#include "libjsonparser/json_conversions.hpp"

#include <charconv>
#include <cmath>
#include <system_error>

#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/text_excerpt.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

constexpr std::string_view floating_point_name = "floating point";

template <typename Number>
Number parse_number(std::string_view text, std::string_view target) {
    Number number{};
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    if (error != std::errc() || stop != end || text.empty()) {
        throw_conversion(text, target);
    }
    return number;
}

}  // namespace

void throw_conversion(std::string_view text, std::string_view target) {
    throw exceptions::conversion_error(text_excerpt(text), std::string(target));
}

void throw_unexpected_array(std::size_t size) {
    throw exceptions::unexpected_array_error("Array size is: " + std::to_string(size));
}

void throw_unexpected_type(std::optional<json_kind> found, std::string_view expected, const value_site& site) {
    const std::string path = member_path(site);
    const std::string member =
        path.empty() ? "The top-level value" : "Member " + text_excerpt(path, 2 * max_quoted_text_length);
    throw libparser::exceptions::unexpected_type_error(member + ": expected " + std::string(expected) +
                                                       ", found " + std::string(kind_name(found)));
}

std::int64_t int64_of_text(std::string_view text) { return parse_number<std::int64_t>(text, integer_name); }

std::uint64_t uint64_of_text(std::string_view text) {
    return parse_number<std::uint64_t>(text, unsigned_integer_name);
}

double double_of_text(std::string_view text) {
    const double number = parse_number<double>(text, floating_point_name);
    // from_chars also reads "inf" and "nan", which no JSON number can be.
    if (!std::isfinite(number)) throw_conversion(text, floating_point_name);
    return number;
}

}  // namespace korvel::probekit::libjsonparser
