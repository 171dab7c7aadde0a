#include "host/cli/host_state.hpp"

namespace korvel::probekit::host {
namespace {

sensor_record record_from_json(const json& document) {
    sensor_record record;
    record.persistent_data =
        document.value("persistent_data", json::object()).get<std::map<std::string, std::string>>();
    const json channels = document.value("channels", json::object());
    for (const auto& [id, channel] : channels.items()) {
        record.channels.emplace(std::stoi(id), known_channel{channel.at("name").get<std::string>(),
                                                             channel.value("definition", json::object())});
    }
    return record;
}

json record_to_json(const sensor_record& record) {
    json channels = json::object();
    for (const auto& [id, channel] : record.channels) {
        channels[std::to_string(id)] = {{"name", channel.name}, {"definition", channel.definition}};
    }
    return {{"persistent_data", record.persistent_data}, {"channels", std::move(channels)}};
}

}  // namespace

host_state host_state::from_json(const json& document) {
    host_state state;
    for (const auto& [kind, sensors] : document.items()) {
        for (const auto& [id, record] : sensors.items()) {
            state.sensors_[kind].emplace(std::stoi(id), record_from_json(record));
        }
    }
    return state;
}

json host_state::to_json() const {
    json document = json::object();
    for (const auto& [kind, sensors] : sensors_) {
        for (const auto& [id, record] : sensors) document[kind][std::to_string(id)] = record_to_json(record);
    }
    return document;
}

sensor_record& host_state::sensor(const std::string& kind, int id) {
    return sensors_[kind][id];
}

}  // namespace korvel::probekit::host
