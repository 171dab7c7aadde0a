#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace korvel::probekit::libjsonparser {

// The value a value query converts: an array of exactly one element stands for that element; an array
// or object of more than one element or member throws unexpected_array_error ("Array size is: N").
const nlohmann::json& single_value(const nlohmann::json& value);
[[noreturn]] void throw_unexpected_array(std::size_t size);

// The conversions of the value queries. A kind a conversion does not take throws unexpected_type_error
// naming the kind; a string that does not hold the wanted number throws conversion_error.
std::string convert_to_string(const nlohmann::json& value);    // null is the empty text
std::int64_t convert_to_int64(const nlohmann::json& value);    // integers, decimal strings
std::uint64_t convert_to_uint64(const nlohmann::json& value);  // non-negative integers, decimal strings
double convert_to_double(const nlohmann::json& value);         // numbers, numeric strings
bool convert_to_bool(const nlohmann::json& value);             // booleans, "true" and "false"

[[noreturn]] void throw_unexpected_type(const nlohmann::json& value);

}  // namespace korvel::probekit::libjsonparser
