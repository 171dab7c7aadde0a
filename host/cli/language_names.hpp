#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvel::probekit::host {

// The descriptor's language name for a language name in any letter case or a common short code
// ("de", "pt-BR", "zh-CN", ...); nothing when it is none of the nine.
std::optional<std::string> resolve_language(std::string_view requested);

}  // namespace korvel::probekit::host
