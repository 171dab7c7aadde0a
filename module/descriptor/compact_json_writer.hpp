#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace korvel::probekit::s7 {

// Writes JSON on one line with ", " between members and ": " after names, members in their stored
// order and non-ASCII characters written directly: the form the host expects the descriptor in.
std::string write_compact_json(const nlohmann::ordered_json& value);

}  // namespace korvel::probekit::s7
