#include <map>
#include <nlohmann/json.hpp>

#include "module/descriptor/descriptor_structure.hpp"

namespace korvel::probekit::s7 {
namespace {

using json = nlohmann::json;

// "section.setting" → Display of every setting of every group of every section, built once.
std::map<std::string, std::string> all_labels() {
    const json structure = json::parse(descriptor_structure);
    std::map<std::string, std::string> labels;
    for (const auto& [section, description] : structure.at("Sections").items()) {
        for (const auto& group : description.at("Groups")) {
            for (const auto& item : structure.at("Groups").at(group.get<std::string>()).at("Items")) {
                const auto setting = item.find("Setting");
                if (setting == item.end()) continue;
                labels.emplace(section + "." + setting->at("Name").get<std::string>(),
                               setting->at("Display").get<std::string>());
            }
        }
    }
    return labels;
}

}  // namespace

const std::string& setting_label(const std::string& key) {
    static const std::map<std::string, std::string> labels = all_labels();
    static const std::string none;
    const auto found = labels.find(key);
    return found == labels.end() ? none : found->second;
}

}  // namespace korvel::probekit::s7
