#pragma once

// What one /probe asks for: a target (a name of the configuration, or HOST[:PORT] with the kind's
// defaults) and a profile or kind, plus settings as URL parameters; resolved into the settings the
// sensor is created with and the key of the sensor instance that serves it.

#include <chrono>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/cli/settings.hpp"
#include "host/exporter/exporter_config.hpp"

namespace korvel::probekit::host {

// The request cannot be served as asked (HTTP 400); the text says which parameter and why.
class probe_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct probe_plan {
    std::string target;    // as the request named it; the target label of every sample
    std::string kind;
    std::string instance;  // one sensor instance per distinct value: target, profile or kind, parameters
    std::vector<setting_assignment> assignments;  // the target's, then the profile's, then the URL's
    std::chrono::seconds hold{0};                 // the profile's: how long a channel's problem is reported
    const std::vector<setting_description>* settings = nullptr;  // the kind's, owned by the caller
};

// A sensor kind's settings, kept by the caller; throws usage_error for a kind that is none.
using kind_settings_lookup = std::function<const std::vector<setting_description>&(const std::string& kind)>;

using environment_lookup = std::function<const char*(const char*)>;

probe_plan plan_probe(const std::multimap<std::string, std::string>& parameters, const exporter_config& config,
                      const kind_settings_lookup& kind_settings, const environment_lookup& environment);

// "plc1", "10.0.0.5:102", "[fe80::1]:102", "fe80::1": the host and, when given, the port.
std::pair<std::string, std::string> split_host_port(const std::string& target);

}  // namespace korvel::probekit::host
