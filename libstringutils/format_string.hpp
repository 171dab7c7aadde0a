#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvel::probekit::libstringutils {

// Replaces "%N:s" with argument N, "%%" with "%"; any other "%" is malformed.
// Argument values are copied verbatim, never formatted themselves.
std::string format_string(std::string_view format, std::span<const std::string> arguments);

template <typename... Arguments>
std::string format_string(std::string_view format, const Arguments&... arguments) {
    const std::string values[] = {std::string(arguments)..., std::string()};
    return format_string(format, std::span<const std::string>(values, sizeof...(Arguments)));
}

}  // namespace korvel::probekit::libstringutils
