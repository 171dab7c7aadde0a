#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

enum class setting_kind { text, secure_text, integer, selection };

struct setting_option {
    std::string value;
    std::string display;  // English, from the descriptor
};

// One setting of the descriptor as a sensor or check uses it: reached through a section and a group.
struct setting_description {
    std::string section;
    std::string section_display;  // English, from the descriptor
    std::string group;
    std::string name;
    std::string display;  // English, from the descriptor
    setting_kind kind = setting_kind::text;
    std::optional<std::string> default_value;
    std::optional<std::int64_t> minimum;
    std::optional<std::int64_t> maximum;
    std::vector<setting_option> options;
    bool required = false;

    // The key of its value in a settings block.
    std::string key() const { return section + "." + name; }
    // Prefix of its keys in the Text table: ".display", ".help", ".option.<value>".
    std::string text_key() const { return group + "." + name; }
};

// The settings of a sensor (its Settings.Sections) or a check (its Sections), in descriptor order;
// none when the descriptor has no sensor or check of that name.
std::vector<setting_description> settings_of_kind(const json& descriptor, const std::string& kind);

}  // namespace korvel::probekit::host
