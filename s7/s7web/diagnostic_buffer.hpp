#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libparser/parser_interface.hpp"

namespace korvel::probekit::s7::s7web {

// One entry of a DiagnosticBuffer.Browse answer: when, and which event (text list and text id).
struct diagnostic_buffer_entry {
    std::string timestamp;  // as the device writes it; texts of one device order as their times
    std::int64_t textlist_id = 0;
    std::int64_t text_id = 0;

    bool operator==(const diagnostic_buffer_entry&) const = default;
};

// The entries in the answer's order; none when the firmware lacks the method (-32601), while a
// buffer without entries gives an empty list. Any other error, more entries or a longer time stamp
// than s7web::limits allows throw api_unexpected_error.
std::optional<std::vector<diagnostic_buffer_entry>> parse_diagnostic_buffer(
    const libparser::parser_interface& answer);

}  // namespace korvel::probekit::s7::s7web
