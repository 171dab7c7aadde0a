#pragma once

#include <cstdint>
#include <string>

namespace korvel::probekit::libstringutils {

enum class hex_case { lower, upper };

// `digits` hexadecimal digits with leading zeros (more when the value needs them), as protocol
// numbers appear in log lines, error arguments and channel names.
std::string hex_digits(std::uint32_t value, int digits, hex_case letters = hex_case::lower);

}  // namespace korvel::probekit::libstringutils
