#pragma once

#include <cstdint>
#include <string>

namespace korvel::probekit::libstringutils {

// Decimal conversions whose failures carry the same texts on every platform
// ("invalid stoll argument", "stoll argument out of range", ...), whatever the standard library says.
int to_int(const std::string& text);
std::int64_t to_int64(const std::string& text);
double to_double(const std::string& text);

}  // namespace korvel::probekit::libstringutils
