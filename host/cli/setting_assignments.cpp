#include "host/cli/setting_assignments.hpp"

#include <fstream>

#include "host/cli/json.hpp"
#include "host/cli/usage_error.hpp"

namespace korvel::probekit::host {

setting_assignment parse_assignment(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw usage_error("--set expects section.setting=value, not \"" + std::string(text) + "\"");
    }
    return {std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

std::vector<setting_assignment> read_settings_file(const std::filesystem::path& file) {
    const std::string name = "--settings " + file.string();
    std::ifstream in(file);
    if (!in) throw usage_error(name + ": cannot read the file");
    const json document = json::parse(in, nullptr, false);
    if (!document.is_object()) throw usage_error(name + ": expected a JSON object of settings");
    std::vector<setting_assignment> assignments;
    for (const auto& [key, value] : document.items()) {
        if (value.is_string()) {
            assignments.push_back({key, value.get<std::string>()});
        } else if (value.is_number_integer()) {
            assignments.push_back({key, value.dump()});
        } else {
            throw usage_error(name + ": the value of \"" + key + "\" must be a string or an integer");
        }
    }
    return assignments;
}

}  // namespace korvel::probekit::host
