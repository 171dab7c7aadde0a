#pragma once

#include <cstdint>
#include <optional>

#include "framework/settings/sensor_data_wrapper.hpp"
#include "module/settings/base_settings.hpp"
#include "module/settings/shared_groups.hpp"

namespace korvel::probekit::s7::settings {

// What every S7-300/400 sensor reads: the base values, where the CPU sits and how it is asked.
struct s7_300_400_settings {
    base_settings base;
    connection_group_settings connection;
    compatibility_group_settings compatibility;

    static s7_300_400_settings parse(const sensor_data_wrapper& data);
};

// The CPU status sensor also knows the longest OB1 cycle the user accepts; without it there is no ratio.
struct cpu_status_sensor_settings : s7_300_400_settings {
    std::optional<std::int64_t> max_ob1_cycle_time_ms;

    static cpu_status_sensor_settings parse(const sensor_data_wrapper& data);
};

}  // namespace korvel::probekit::s7::settings
