#pragma once

// What the user reads, in the user's language: the descriptor's Text table, the module's localisable
// messages, and which of the descriptor's nine languages the user asked for.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

// A localisable message's identifier "#:key[arg,arg]" split into its text key and unescaped arguments.
struct decoded_identifier {
    std::string key;
    std::vector<std::string> arguments;

    bool operator==(const decoded_identifier&) const = default;
};

// Nothing for a literal identifier (no "#:") or one that does not follow the form; the caller then
// shows the message's English text. "[]" reads as one empty argument: the wire form cannot tell it
// from no arguments, and a text without placeholders ignores it either way.
std::optional<decoded_identifier> decode_identifier(std::string_view identifier);

// The descriptor's language name for a language name in any letter case or a common code ("de",
// "pt-BR", "zh_CN", ...); nothing when it is none of the nine.
std::optional<std::string> resolve_language(std::string_view requested);

// "Russian (ru), Brazilian (pt-BR), ...": the languages --lang takes, for the help.
std::string language_list();

// The number of languages, and a language's place among them (Russian, Brazilian, Dutch, Japanese,
// French, Spanish, English, German, SimplifiedChinese): the columns of a table of texts.
constexpr std::size_t language_count = 9;
std::optional<std::size_t> language_index(std::string_view name);

// The language the environment asks for, as the C library reads it: LC_ALL, else LC_MESSAGES, else
// LANG ("de_DE.UTF-8" is German); English when the first one set names none of the nine.
std::string language_of_environment(const std::function<const char*(const char*)>& variable);

// Translates through the descriptor's Text table into one language, as the monitoring host does.
class translator {
public:
    translator(const json& descriptor, const std::string& language);

    const std::string& language() const { return language_; }

    // A descriptor text by key: the chosen language, else English, else the descriptor's own text.
    std::string text(const std::string& key, const std::string& fallback) const;
    // A localisable message {"id": identifier, "text": English text}: the key in the chosen language
    // with its arguments filled in, else the English text it carries.
    std::string message(const json& localisable) const;

private:
    std::string language_;
    std::map<std::string, std::string> chosen_;
    std::map<std::string, std::string> english_;
};

}  // namespace korvel::probekit::host
