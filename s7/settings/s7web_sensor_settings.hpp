#pragma once

#include "s7/settings/s7web_settings.hpp"

// The S7-1200/1500 sensors read nothing beyond the shared Web API settings: credentials, proxy and
// certificate validation. Each has its own name so a setting of its own can be added in one place.
namespace korvel::probekit::s7::settings {

using simatic_s7_1200_1500_cpu_status_sensor = s7web_settings;
using simatic_s7_1200_1500_alarm_status_sensor = s7web_settings;
using simatic_s7_1200_1500_hardware_status_sensor = s7web_settings;

}  // namespace korvel::probekit::s7::settings
