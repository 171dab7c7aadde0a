#include "module/descriptor/module_descriptor.hpp"

#include <nlohmann/json.hpp>
#include <string_view>

#include "libi18n/error_catalogue.hpp"
#include "module/descriptor/compact_json_writer.hpp"
#include "module/descriptor/descriptor_structure.hpp"
#include "s7/texts/sensor_texts.hpp"

namespace korvel::probekit::s7 {

namespace descriptor_texts {
extern const std::string_view translation_Russian, translation_Brazilian, translation_Dutch,
    translation_Japanese, translation_French, translation_Spanish, translation_English, translation_German,
    translation_SimplifiedChinese;
}  // namespace descriptor_texts

namespace {

using json = nlohmann::ordered_json;

struct language {
    std::string_view name;
    const std::string_view& texts;
};

// The order in which the host expects the languages.
const language languages[] = {
    {"Russian", descriptor_texts::translation_Russian},
    {"Brazilian", descriptor_texts::translation_Brazilian},
    {"Dutch", descriptor_texts::translation_Dutch},
    {"Japanese", descriptor_texts::translation_Japanese},
    {"French", descriptor_texts::translation_French},
    {"Spanish", descriptor_texts::translation_Spanish},
    {"English", descriptor_texts::translation_English},
    {"German", descriptor_texts::translation_German},
    {"SimplifiedChinese", descriptor_texts::translation_SimplifiedChinese},
};

json translation_table(const language& language) {
    // A sorted map, so the English texts the code carries fall in among the other keys.
    nlohmann::json table = nlohmann::json::parse(language.texts);
    if (language.name == "English") {
        for (const auto& error : libi18n::error_catalogue())
            table[std::string(error.key.key)] = error.key.english;
        for (const auto* text : texts::all_sensor_texts()) table[std::string(text->key)] = text->english;
    }
    json translation = json::object();
    for (const auto& [key, text] : table.items()) translation[key] = json{{"Display", text}};
    return json{{"Translation", std::move(translation)}};
}

std::string assemble() {
    json document = json::parse(descriptor_structure);
    json text = json::object();
    for (const auto& language : languages) text[std::string(language.name)] = translation_table(language);
    document["Text"] = std::move(text);
    return write_compact_json(document);
}

}  // namespace

const std::string& module_descriptor() {
    static const std::string text = assemble();
    return text;
}

}  // namespace korvel::probekit::s7
