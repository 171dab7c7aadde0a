#include "host/cli/translation.hpp"

#include <algorithm>
#include <array>
#include <cctype>

#include "libstringutils/format_string.hpp"

namespace korvel::probekit::host {
namespace {

constexpr const char* english = "English";

struct language_names {
    std::string_view name;
    std::array<std::string_view, 3> codes;  // unused places stay empty
};

// Codes in lower case with "-"; "_" in a request reads as "-".
const std::array<language_names, language_count> languages{{
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

std::map<std::string, std::string> language_table(const json& descriptor, const std::string& language) {
    std::map<std::string, std::string> table;
    const auto text = descriptor.find("Text");
    if (text == descriptor.end() || !text->contains(language)) return table;
    const json translation = text->at(language).value("Translation", json::object());
    for (const auto& [key, entry] : translation.items()) {
        if (entry.contains("Display") && entry.at("Display").is_string())
            table.emplace(key, entry.at("Display").get<std::string>());
    }
    return table;
}

const std::string* find(const std::map<std::string, std::string>& table, const std::string& key) {
    const auto found = table.find(key);
    return found == table.end() ? nullptr : &found->second;
}

}  // namespace

std::optional<decoded_identifier> decode_identifier(std::string_view identifier) {
    constexpr std::string_view marker = "#:";
    if (!identifier.starts_with(marker)) return std::nullopt;
    const std::size_t open = identifier.find('[', marker.size());
    if (open == std::string_view::npos || open == marker.size()) return std::nullopt;

    decoded_identifier decoded{std::string(identifier.substr(marker.size(), open - marker.size())), {""}};
    for (std::size_t position = open + 1; position < identifier.size(); ++position) {
        const char c = identifier[position];
        if (c == '\\') {
            if (++position == identifier.size()) return std::nullopt;
            decoded.arguments.back().push_back(identifier[position]);
        } else if (c == ',') {
            decoded.arguments.emplace_back();
        } else if (c == ']') {
            if (position + 1 != identifier.size()) return std::nullopt;
            return decoded;
        } else {
            decoded.arguments.back().push_back(c);
        }
    }
    return std::nullopt;  // no closing bracket
}

std::optional<std::string> resolve_language(std::string_view requested) {
    const std::string wanted = normalised(requested);
    for (const auto& [name, codes] : languages) {
        if (!wanted.empty() &&
            (wanted == normalised(name) || std::ranges::find(codes, wanted) != codes.end()))
            return std::string(name);
    }
    return std::nullopt;
}

std::optional<std::size_t> language_index(std::string_view name) {
    const auto found = std::ranges::find(languages, name, &language_names::name);
    if (found == languages.end()) return std::nullopt;
    return static_cast<std::size_t>(found - languages.begin());
}

std::string language_list() {
    std::string text;
    for (const auto& [name, codes] : languages) {
        std::string code(codes.front());
        // Codes are kept in lower case; a territory is written in upper case.
        for (std::size_t at = code.find('-'); at < code.size(); ++at)
            code[at] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[at])));
        text += (text.empty() ? "" : ", ") + std::string(name) + " (" + code + ")";
    }
    return text;
}

std::string language_of_environment(const std::function<const char*(const char*)>& variable) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = variable(name);
        if (value == nullptr || *value == '\0') continue;
        // "de_DE.UTF-8@euro": the language and territory come before the codeset and modifier.
        std::string_view locale(value);
        locale = locale.substr(0, locale.find_first_of(".@"));
        if (auto language = resolve_language(locale)) return *language;
        if (auto language = resolve_language(locale.substr(0, locale.find('_')))) return *language;
        return english;  // "C", "POSIX" or a language the descriptor lacks
    }
    return english;
}

translator::translator(const json& descriptor, const std::string& language)
    : language_(language),
      chosen_(language_table(descriptor, language)),
      english_(language_table(descriptor, english)) {}

std::string translator::text(const std::string& key, const std::string& fallback) const {
    if (const auto* chosen = find(chosen_, key)) return *chosen;
    if (const auto* in_english = find(english_, key)) return *in_english;
    return fallback;
}

std::string translator::message(const json& localisable) const {
    if (!localisable.is_object()) return std::string();
    const std::string english_text = localisable.value("text", "");
    const auto decoded = decode_identifier(localisable.value("id", ""));
    if (!decoded) return english_text;
    const auto* format = find(chosen_, decoded->key);
    if (format == nullptr) return english_text;
    try {
        // The context (the setting an error is about, say) is a literal in front of the translation,
        // the cause (what failed) one after it.
        return localisable.value("context", "") +
               libstringutils::format_string(*format, std::span<const std::string>(decoded->arguments)) +
               localisable.value("cause", "");
    } catch (const std::exception&) {
        return english_text;  // a translation whose placeholders do not fit the arguments
    }
}

}  // namespace korvel::probekit::host
