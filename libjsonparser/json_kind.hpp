#pragma once

#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string_view>

namespace korvel::probekit::libjsonparser {

// The kinds of JSON value that error messages name. `half` (a 16-bit float) and `byte_string` come
// from binary encodings; a parsed JSON text never holds a half.
enum class json_kind { null, boolean, int64, uint64, half, floating, string, byte_string, array, object };

// A non-negative integer is `int64` whenever it fits, `uint64` only beyond that: the kind says which
// range the number needs, not which of its two representations the parser happened to pick.
// A value of none of these kinds (a discarded parse) has none.
std::optional<json_kind> kind_of(const nlohmann::json& value);

// "null", "bool", "int64", "uint64", "half", "double", "string", "byte_string", "array", "object";
// "unknown_type" for a value without a kind.
std::string_view kind_name(std::optional<json_kind> kind);

}  // namespace korvel::probekit::libjsonparser
