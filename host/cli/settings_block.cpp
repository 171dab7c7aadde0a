#include "host/cli/settings_block.hpp"

namespace korvel::probekit::host {
namespace {

json base_settings() {
    return {{"host", "127.0.0.1"},
            {"timeout", "60"},
            {"interval", "60"},
            {"logging", "disabled"},
            {"ipversion", "IPv4"}};
}

}  // namespace

json build_settings_block(const settings_block_request& request) {
    json settings = base_settings();
    json secure = json::array();
    for (const auto& setting : request.settings) {
        if (setting.default_value) settings[setting.key()] = *setting.default_value;
        if (setting.kind == setting_kind::secure_text) secure.push_back(setting.key());
    }
    for (const auto& [key, value] : request.assignments) settings[key] = value;

    json block = {
        {"kind", request.kind}, {"settings", std::move(settings)}, {"secure_settings", std::move(secure)}};
    if (request.sensor != nullptr) {
        json channels = json::object();
        for (const auto& [id, channel] : request.sensor->channels)
            channels[std::to_string(id)] = channel.name;
        block["channels"] = std::move(channels);
        block["persistent_data"] = request.sensor->persistent_data;
    }
    return block;
}

}  // namespace korvel::probekit::host
