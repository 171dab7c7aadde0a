#pragma once

#include <memory>
#include <nlohmann/json.hpp>

#include "libjsonparser/jsonpointer_parser.hpp"

namespace s7web_records_test {

using nlohmann::json;

// An answer element as the session hands it to the parse operations.
inline std::unique_ptr<korvel::probekit::libparser::parser_interface> answer_of(const json& element) {
    return std::make_unique<korvel::probekit::libjsonparser::jsonpointer_parser>(element.dump());
}

// The texts of the errors the parse operations raise.
namespace texts {
inline constexpr const char* alarms_internal = "An internal error occurred when reading the alarms.";
inline constexpr const char* modules_internal =
    "An internal error occurred while browsing the hardware configuration.";
inline constexpr const char* status_internal =
    "An internal error occurred while reading the status of a hardware module.";
inline constexpr const char* operating_mode_internal =
    "An internal error occurred while reading the operating mode.";
inline constexpr const char* mode_selector_internal =
    "An internal error occurred while reading the mode selector state.";
inline constexpr const char* redundancy_id_invalid =
    "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type.";
inline constexpr const char* unexpected =
    "An unexpected error occurred while communicating with the S7 Web API.";
}  // namespace texts

}  // namespace s7web_records_test
