#pragma once

#include <map>
#include <string>

#include "framework/channels/dynamic_channel_options.hpp"

namespace korvel::probekit::libvexahelper::settings {

// The channels of one sensor: those the host knows (listed in the settings block, or announced to it
// since) and the definitions the sensor registered in this run.
class channel_map {
public:
    explicit channel_map(std::map<int, std::string> known_to_runtime);

    bool is_known_to_runtime(int id) const;
    // After a channel's announcement: the host knows it from now on.
    void mark_known_to_runtime(int id, const std::string& name);
    // True when a definition with this id is registered and equal in every field, so a changed
    // definition (a module renamed on the device) counts as new.
    bool is_definition_registered(const channels::dynamic_channel_options& options) const;
    // Registers the definition under its id, replacing an earlier one with the same id.
    void register_definition(const channels::dynamic_channel_options& options);
    const channels::dynamic_channel_options* find_definition(int id) const;

private:
    std::map<int, std::string> known_to_runtime_;
    std::map<int, channels::dynamic_channel_options> definitions_;
};

}  // namespace korvel::probekit::libvexahelper::settings
