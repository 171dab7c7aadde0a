#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <set>

#include "host/harness/module_library.hpp"
#include "module/descriptor/module_descriptor.hpp"

namespace {

using json = nlohmann::ordered_json;
using korvel::probekit::s7::module_descriptor;

const json& descriptor() {
    static const json parsed = json::parse(module_descriptor());
    return parsed;
}

std::set<std::string> keys_of(const std::string& language) {
    std::set<std::string> keys;
    for (const auto& [key, text] : descriptor().at("Text").at(language).at("Translation").items())
        keys.insert(key);
    return keys;
}

std::string english(const std::string& key) {
    return descriptor().at("Text").at("English").at("Translation").at(key).at("Display");
}

TEST(descriptor, is_one_line_of_json_with_the_members_in_order) {
    std::vector<std::string> members;
    for (const auto& [name, value] : descriptor().items()) members.push_back(name);
    EXPECT_EQ(members, (std::vector<std::string>{"MetaData", "Sensors", "Sections", "Groups", "Revision",
                                                 "MetaScans", "Checks", "Lookups", "Text"}));
    const std::string& text = module_descriptor();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.rfind("{\"MetaData\": {\"Vendor\": \"korvel\", \"Name\": \"s7\", ", 0), 0u);
    EXPECT_NE(text.find("\"Revision\": 18, \"MetaScans\": {}, "), std::string::npos);
    EXPECT_NE(text.find("👻 Shared HTTP Proxy"), std::string::npos) << "non-ASCII text is written directly";
    EXPECT_EQ(text.find("\\u"), std::string::npos);
}

TEST(descriptor, every_named_section_group_and_check_exists) {
    const auto& sections = descriptor().at("Sections");
    const auto& groups = descriptor().at("Groups");
    for (const auto& [name, sensor] : descriptor().at("Sensors").items()) {
        EXPECT_EQ(sensor.begin().key(), "Name");
        EXPECT_EQ(sensor.at("Name"), name);
        for (const auto& section : sensor.at("Settings").at("Sections"))
            EXPECT_TRUE(sections.contains(section)) << section;
        for (const auto& check : sensor.at("RequiredChecks"))
            EXPECT_TRUE(descriptor().at("Checks").contains(check));
    }
    for (const auto& section : descriptor().at("Checks").at("s7web_login_check").at("Sections")) {
        EXPECT_TRUE(sections.contains(section)) << section;
    }
    for (const auto& [name, section] : sections.items()) {
        for (const auto& group : section.at("Groups")) EXPECT_TRUE(groups.contains(group)) << group;
    }
}

TEST(descriptor, every_sensor_section_setting_and_lookup_value_has_its_english_text) {
    for (const auto& [name, sensor] : descriptor().at("Sensors").items()) {
        EXPECT_EQ(english(name + ".display"), sensor.at("Display"));
        EXPECT_EQ(english(name + ".help"), sensor.at("Help"));
    }
    for (const auto& [name, section] : descriptor().at("Sections").items()) {
        EXPECT_EQ(english(name + ".display"), section.at("Display"));
    }
    for (const auto& [name, group] : descriptor().at("Groups").items()) {
        for (const auto& item : group.at("Items")) {
            const auto& setting = item.at("Setting");
            const std::string prefix = name + "." + setting.at("Name").get<std::string>();
            EXPECT_EQ(english(prefix + ".display"), setting.at("Display"));
            EXPECT_EQ(english(prefix + ".help"), setting.at("Help"));
            if (setting.contains("Selection")) {
                for (const auto& option : setting.at("Selection").at("Options")) {
                    EXPECT_EQ(english(prefix + ".option." + option.at("Value").get<std::string>()),
                              option.at("Display"));
                }
            }
        }
    }
    for (const auto& [name, lookup] : descriptor().at("Lookups").items()) {
        for (const auto& value : lookup.at("LookupValues")) {
            EXPECT_EQ(english("lookup." + name + "." + std::to_string(value.at("Value").get<int>())),
                      value.at("Display"));
        }
    }
}

TEST(descriptor, each_language_carries_exactly_its_key_set) {
    const std::set<std::string> english_keys = keys_of("English");
    EXPECT_EQ(english_keys.size(), 403u);
    const struct {
        const char* language;
        std::size_t keys;
    } languages[] = {{"German", 221},    {"Spanish", 221},  {"Dutch", 165},  {"Russian", 164},
                     {"Brazilian", 164}, {"Japanese", 164}, {"French", 164}, {"SimplifiedChinese", 164}};
    for (const auto& row : languages) {
        SCOPED_TRACE(row.language);
        const auto keys = keys_of(row.language);
        EXPECT_EQ(keys.size(), row.keys);
        for (const auto& key : keys) EXPECT_TRUE(english_keys.contains(key)) << key;
    }
}

TEST(descriptor, translations_keep_placeholders_and_are_not_english_copies) {
    const std::regex placeholder("%[0-9]+:s");
    std::size_t copies = 0;
    for (const auto& [language, table] : descriptor().at("Text").items()) {
        if (language == "English") continue;
        for (const auto& [key, entry] : table.at("Translation").items()) {
            const std::string text = entry.at("Display");
            const std::string source = english(key);
            std::multiset<std::string> wanted, found;
            for (std::sregex_iterator i(source.begin(), source.end(), placeholder), end; i != end; ++i)
                wanted.insert(i->str());
            for (std::sregex_iterator i(text.begin(), text.end(), placeholder), end; i != end; ++i)
                found.insert(i->str());
            EXPECT_EQ(found, wanted) << language << " " << key;
            if (text == source) ++copies;
        }
    }
    // Only names and abbreviations ("S7", "RUN", "DC24V", ...) read the same in every language.
    EXPECT_LT(copies, 60u);
}

TEST(descriptor, synchronous_information_is_the_same_descriptor_for_both_flags) {
    korvel::probekit::host::module_library module(MODULE_PATH);
    ASSERT_EQ(module.initialize(), 0);
    for (const bool include_texts : {true, false}) {
        const auto message = nlohmann::json::parse(module.module_information(include_texts));
        EXPECT_EQ(message.at("descriptor").get<std::string>(), module_descriptor());
        EXPECT_EQ(message.at("include_texts").get<bool>(), include_texts);
    }
}

}  // namespace
