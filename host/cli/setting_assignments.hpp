#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::probekit::host {

// One settings value the user gave; applied in command-line order, so a later one wins.
struct setting_assignment {
    std::string key;
    std::string value;

    bool operator==(const setting_assignment&) const = default;
};

// "key=value" of --set; the value may be empty, the key not.
setting_assignment parse_assignment(std::string_view text);

// A JSON object of settings; numbers are taken as their decimal text, since settings are strings.
std::vector<setting_assignment> read_settings_file(const std::filesystem::path& file);

}  // namespace korvel::probekit::host
