#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

#include "libjsonparser/value_site.hpp"

namespace korvel::probekit::libjsonparser {

// The value a value query converts: an array of exactly one element stands for that element; an array
// or object of more than one element or member throws unexpected_array_error ("Array size is: N").
const nlohmann::json& single_value(const nlohmann::json& value);
[[noreturn]] void throw_unexpected_array(std::size_t size);

// The conversions of the value queries. A kind a conversion does not take throws unexpected_type_error
// naming the member (from `site`), the kind expected and the kind found; a string that does not hold
// the wanted number throws conversion_error.
std::string convert_to_string(const nlohmann::json& value, const value_site& site);  // null: empty text
std::int64_t convert_to_int64(const nlohmann::json& value,
                              const value_site& site);  // integers, decimal strings
std::uint64_t convert_to_uint64(const nlohmann::json& value, const value_site& site);  // non-negative ones
double convert_to_double(const nlohmann::json& value, const value_site& site);  // numbers, numeric strings
bool convert_to_bool(const nlohmann::json& value, const value_site& site);      // booleans, "true", "false"

// "Member result.token: expected string, found object".
[[noreturn]] void throw_unexpected_type(const nlohmann::json& value, std::string_view expected,
                                        const value_site& site);

}  // namespace korvel::probekit::libjsonparser
