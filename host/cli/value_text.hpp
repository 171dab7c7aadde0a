#pragma once

#include <string>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

// A channel's number as its definition asks to show it: multiplied by "factor", between
// "value_prefix" and "value_suffix", followed by "custom_unit" or else the text of "unit".
// "kind" 1 keeps an integer exact; null (no finite value) shows as "no value".
std::string value_text(const json& value, int kind, const json& definition);

}  // namespace korvel::probekit::host
