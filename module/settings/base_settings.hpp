#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "framework/settings/sensor_data_wrapper.hpp"
#include "module/settings/selections.hpp"

namespace korvel::probekit::s7::settings {

// The values the host sends for every sensor and check. timeout (seconds, 1 to a day) bounds each
// scan; interval is in the host's unit and kept unconverted.
struct base_settings {
    std::string host;
    bool logging = false;
    std::int64_t timeout = 0;
    std::string korvelcloudapikey;
    ip_version ipversion = ip_version::ipv4;
    std::int64_t interval = 60;
    // The values of every secure setting of the block (passwords, the API key), which no text the
    // sensor or check sends or logs may carry.
    std::vector<std::string> secrets;
};

base_settings parse_base_settings(const libvexahelper::settings::sensor_data_wrapper& data);

}  // namespace korvel::probekit::s7::settings
