#include "host/cli/info_command.hpp"

#include <nlohmann/json.hpp>

namespace korvel::probekit::host {

int info_command(module_library& module, const std::vector<std::string>&, std::ostream& out) {
    const auto message = nlohmann::ordered_json::parse(module.module_information(true));
    const auto descriptor = nlohmann::ordered_json::parse(message.at("descriptor").get<std::string>());
    const auto& meta = descriptor.at("MetaData");
    out << meta.at("Display").get<std::string>() << " module " << meta.at("Version").get<std::string>() << " (API level "
        << module.get_api_level() << ")\n"
        << meta.at("Description").get<std::string>() << "\n\nSensors:\n";
    for (const auto& [name, sensor] : descriptor.at("Sensors").items()) {
        out << "  " << name << ": " << sensor.at("Display").get<std::string>() << '\n';
    }
    out << "Checks:\n";
    for (const auto& [name, check] : descriptor.at("Checks").items()) out << "  " << name << '\n';
    return 0;
}

}  // namespace korvel::probekit::host
