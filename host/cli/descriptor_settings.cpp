#include "host/cli/descriptor_settings.hpp"

#include <algorithm>

namespace korvel::probekit::host {
namespace {

std::optional<std::int64_t> limit(const json& integer, const char* is_set, const char* value) {
    if (!integer.value(is_set, false)) return std::nullopt;
    return integer.at(value).get<std::int64_t>();
}

setting_description describe(const json& setting) {
    setting_description description;
    description.name = setting.at("Name").get<std::string>();
    description.display = setting.value("Display", description.name);
    if (setting.contains("Default")) description.default_value = setting.at("Default").get<std::string>();
    if (setting.contains("IntegerSigned")) {
        const auto& integer = setting.at("IntegerSigned");
        description.kind = setting_kind::integer;
        description.minimum = limit(integer, "IsMinimumSet", "Minimum");
        description.maximum = limit(integer, "IsMaximumSet", "Maximum");
    } else if (setting.contains("Selection")) {
        description.kind = setting_kind::selection;
        for (const auto& option : setting.at("Selection").at("Options")) {
            description.options.push_back(
                {option.at("Value").get<std::string>(), option.value("Display", "")});
        }
    } else if (setting.contains("Text") && setting.at("Text").contains("Security")) {
        description.kind = setting_kind::secure_text;
    }
    const auto flags = setting.value("Flags", json::array());
    description.required = std::ranges::find(flags, json("SettingFlagRequired")) != flags.end();
    return description;
}

const json* section_names(const json& descriptor, const std::string& kind) {
    if (descriptor.at("Sensors").contains(kind))
        return &descriptor.at("Sensors").at(kind).at("Settings").at("Sections");
    if (descriptor.at("Checks").contains(kind)) return &descriptor.at("Checks").at(kind).at("Sections");
    return nullptr;
}

}  // namespace

std::vector<setting_description> settings_of_kind(const json& descriptor, const std::string& kind) {
    const json* sections = section_names(descriptor, kind);
    std::vector<setting_description> settings;
    if (sections == nullptr) return settings;
    for (const auto& section_name : *sections) {
        const auto& section = descriptor.at("Sections").at(section_name.get<std::string>());
        for (const auto& group_name : section.at("Groups")) {
            const auto& group = descriptor.at("Groups").at(group_name.get<std::string>());
            for (const auto& item : group.at("Items")) {
                auto description = describe(item.at("Setting"));
                description.section = section_name.get<std::string>();
                description.section_display = section.value("Display", description.section);
                description.group = group_name.get<std::string>();
                settings.push_back(std::move(description));
            }
        }
    }
    return settings;
}

}  // namespace korvel::probekit::host
