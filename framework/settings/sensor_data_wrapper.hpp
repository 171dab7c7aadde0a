#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace korvel::probekit::libvexahelper::settings {

// The host's settings block for one sensor or check (docs/host-protocol.md): the kind name, the flat
// settings map ("section.setting" and the base keys), the channels the host already knows and the
// persistent data it stored for the sensor. A malformed block throws utils::exceptions::initialization_error.
class sensor_data_wrapper {
public:
    sensor_data_wrapper(const void* bytes, std::size_t size);

    const std::string& kind() const { return kind_; }
    std::optional<std::string> get_setting(const std::string& key) const;
    const std::map<int, std::string>& get_channels() const { return channels_; }
    bool has_channels() const { return has_channels_; }
    const std::map<std::string, std::string>& get_persistent_data() const { return persistent_data_; }

    // The whole block as JSON with every secure value masked, so it can go to a log.
    std::string to_json() const;

    // Secure values: those the host marks, any setting named "password", and the API key.
    bool is_secure(const std::string& key) const;
    // The values of the secure settings that are not empty.
    std::vector<std::string> secure_values() const;

private:
    std::string kind_;
    std::map<std::string, std::string> settings_;
    std::set<std::string> secure_keys_;
    std::map<int, std::string> channels_;
    bool has_channels_ = false;
    std::map<std::string, std::string> persistent_data_;
};

}  // namespace korvel::probekit::libvexahelper::settings
