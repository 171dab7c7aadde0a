#pragma once

#include <cstdint>
#include <string>

namespace korvel::probekit::s7::s7web {

// Milliseconds of a duration the device writes as "PT<seconds>[.<fraction>]S" (e.g. "PT0.150S").
// Fraction digits beyond the third are cut, not rounded. Any other form throws std::invalid_argument
// ("Invalid ISO 8601 duration format:" and the text); seconds whose milliseconds do not fit 64 bits
// throw std::out_of_range ("stol argument out of range").
std::int64_t parse_iso8601_duration(const std::string& text);

}  // namespace korvel::probekit::s7::s7web
