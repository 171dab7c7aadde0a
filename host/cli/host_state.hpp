#pragma once

#include <map>
#include <string>

#include "host/cli/json.hpp"
#include "host/cli/sensor_record.hpp"

namespace korvel::probekit::host {

// Everything the host keeps between runs, per sensor kind and id.
class host_state {
public:
    // {"<kind>": {"<id>": {"persistent_data": {...}, "channels": {"<id>": {"name": ..., "definition":
    // {...}}}}}}
    static host_state from_json(const json& document);
    json to_json() const;

    // The record of that sensor, empty when the host holds none yet.
    sensor_record& sensor(const std::string& kind, int id);

private:
    std::map<std::string, std::map<int, sensor_record>> sensors_;
};

}  // namespace korvel::probekit::host
