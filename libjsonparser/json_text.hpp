#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <string_view>

namespace korvel::probekit::libjsonparser {

// JSON texts arrive from the network. Copying, writing and comparing a parsed value recurse once per
// nesting level, so the depth is bounded before parsing; no answer of a controller comes near either limit.
inline constexpr std::size_t max_json_text_length = 16 * 1024 * 1024;
inline constexpr std::size_t max_json_nesting_depth = 256;

// Parses one JSON value (surrounding white space allowed, nothing else); throws parse_error. Bytes
// that are not UTF-8 become U+FFFD.
nlohmann::json parse_json_text(std::string_view text);

// The value's text form; bytes that are not UTF-8 (possible only in values built in code) become U+FFFD.
std::string json_text_of(const nlohmann::json& value);

}  // namespace korvel::probekit::libjsonparser
