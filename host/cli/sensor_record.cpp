#include "host/cli/sensor_record.hpp"

namespace korvel::probekit::host {
namespace {

bool assign(auto& map, const auto& key, auto value) {
    const auto found = map.find(key);
    if (found != map.end() && found->second == value) return false;
    map.insert_or_assign(key, std::move(value));
    return true;
}

}  // namespace

bool sensor_record::apply(const json& message) {
    const std::string type = message.value("type", "");
    if (type == "persistent_data") {
        return assign(persistent_data, message.at("key").get<std::string>(),
                      message.at("value").get<std::string>());
    }
    if (type == "dynamic_channel") {
        const auto& channel = message.at("channel");
        known_channel known{channel.at("name").value("text", ""), channel};
        return assign(channels, channel.at("id").get<int>(), std::move(known));
    }
    return false;
}

}  // namespace korvel::probekit::host
