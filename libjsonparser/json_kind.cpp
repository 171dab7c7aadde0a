#include "libjsonparser/json_kind.hpp"

#include <cstdint>
#include <limits>
#include <nlohmann/json.hpp>

namespace korvel::probekit::libjsonparser {

std::optional<json_kind> kind_of(const nlohmann::json& value) {
    using type = nlohmann::json::value_t;
    switch (value.type()) {
        case type::null:
            return json_kind::null;
        case type::boolean:
            return json_kind::boolean;
        case type::number_integer:
            return json_kind::int64;
        case type::number_unsigned:
            // The parser reads every non-negative number as unsigned.
            return value.get<std::uint64_t>() <= std::uint64_t{std::numeric_limits<std::int64_t>::max()}
                       ? json_kind::int64
                       : json_kind::uint64;
        case type::number_float:
            return json_kind::floating;
        case type::string:
            return json_kind::string;
        case type::binary:
            return json_kind::byte_string;
        case type::array:
            return json_kind::array;
        case type::object:
            return json_kind::object;
        case type::discarded:
            break;
    }
    return std::nullopt;
}

std::string_view kind_name(std::optional<json_kind> kind) {
    if (kind) {
        switch (*kind) {
            case json_kind::null:
                return "null";
            case json_kind::boolean:
                return "bool";
            case json_kind::int64:
                return "int64";
            case json_kind::uint64:
                return "uint64";
            case json_kind::half:
                return "half";
            case json_kind::floating:
                return "double";
            case json_kind::string:
                return "string";
            case json_kind::byte_string:
                return "byte_string";
            case json_kind::array:
                return "array";
            case json_kind::object:
                return "object";
        }
    }
    return "unknown_type";
}

}  // namespace korvel::probekit::libjsonparser
