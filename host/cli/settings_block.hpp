#pragma once

#include <string>
#include <vector>

#include "host/cli/descriptor_settings.hpp"
#include "host/cli/json.hpp"
#include "host/cli/sensor_record.hpp"
#include "host/cli/setting_assignments.hpp"

namespace korvel::probekit::host {

struct settings_block_request {
    std::string kind;
    std::vector<setting_description> settings;  // of the kind, from the descriptor
    std::vector<setting_assignment> assignments;
    const sensor_record* sensor = nullptr;  // null for a check, which has no channels or persistent data
};

// The settings block as a monitoring host sends it: base values and the descriptor's defaults, then
// the user's values in order; the kind's secret settings; for a sensor the channels and persistent
// data the host holds.
json build_settings_block(const settings_block_request& request);

}  // namespace korvel::probekit::host
