#include "host/cli/translator.hpp"

#include "host/cli/identifier.hpp"
#include "libstringutils/format_string.hpp"

namespace korvel::probekit::host {
namespace {

std::map<std::string, std::string> language_table(const json& descriptor, const std::string& language) {
    std::map<std::string, std::string> table;
    const auto text = descriptor.find("Text");
    if (text == descriptor.end() || !text->contains(language)) return table;
    for (const auto& [key, entry] : text->at(language).at("Translation").items()) {
        table.emplace(key, entry.at("Display").get<std::string>());
    }
    return table;
}

const std::string* find(const std::map<std::string, std::string>& table, const std::string& key) {
    const auto found = table.find(key);
    return found == table.end() ? nullptr : &found->second;
}

}  // namespace

translator::translator(const json& descriptor, const std::string& language)
    : chosen_(language_table(descriptor, language)), english_(language_table(descriptor, "English")) {}

std::string translator::text(const std::string& key, const std::string& fallback) const {
    if (const auto* chosen = find(chosen_, key)) return *chosen;
    if (const auto* english = find(english_, key)) return *english;
    return fallback;
}

std::string translator::message(const json& localisable) const {
    const std::string english = localisable.value("text", "");
    const auto decoded = decode_identifier(localisable.value("id", ""));
    if (!decoded) return english;
    const auto* format = find(chosen_, decoded->key);
    if (format == nullptr) return english;
    try {
        // The context (the setting an error is about, say) is a literal in front of the translation.
        return localisable.value("context", "") +
               libstringutils::format_string(*format, std::span<const std::string>(decoded->arguments));
    } catch (const std::exception&) {
        return english;  // a translation whose placeholders do not fit the arguments
    }
}

}  // namespace korvel::probekit::host
