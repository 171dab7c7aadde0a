#pragma once

#include <map>
#include <string>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

// A channel the host holds for a sensor.
struct known_channel {
    std::string name;  // what the settings block announces back: the name's English text
    json definition;   // the channel object of its dynamic_channel message, for names, units and lookups

    bool operator==(const known_channel&) const = default;
};

// What the host keeps for one sensor between runs.
struct sensor_record {
    std::map<std::string, std::string> persistent_data;
    std::map<int, known_channel> channels;

    // Takes in one of this sensor's persistent_data or dynamic_channel messages (others are
    // ignored); true when the record changed.
    bool apply(const json& message);

    bool operator==(const sensor_record&) const = default;
};

}  // namespace korvel::probekit::host
