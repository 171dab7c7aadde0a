#include "host/cli/language_names.hpp"

#include <algorithm>
#include <array>
#include <cctype>

namespace korvel::probekit::host {
namespace {

struct language {
    std::string_view name;
    std::array<std::string_view, 3> codes;  // unused places stay empty
};

// Codes in lower case with "-"; "_" in the request reads as "-".
const std::array<language, 9> languages{{
    {"Russian", {"ru", "ru-ru", ""}},
    {"Brazilian", {"pt-br", "pt", ""}},
    {"Dutch", {"nl", "nl-nl", ""}},
    {"Japanese", {"ja", "ja-jp", "jp"}},
    {"French", {"fr", "fr-fr", ""}},
    {"Spanish", {"es", "es-es", ""}},
    {"English", {"en", "en-us", "en-gb"}},
    {"German", {"de", "de-de", ""}},
    {"SimplifiedChinese", {"zh-cn", "zh", "zh-hans"}},
}};

std::string normalised(std::string_view text) {
    std::string result;
    for (char c : text) {
        result.push_back(c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    }
    return result;
}

}  // namespace

std::optional<std::string> resolve_language(std::string_view requested) {
    const std::string wanted = normalised(requested);
    for (const auto& [name, codes] : languages) {
        if (!wanted.empty() &&
            (wanted == normalised(name) || std::ranges::find(codes, wanted) != codes.end()))
            return std::string(name);
    }
    return std::nullopt;
}

}  // namespace korvel::probekit::host
