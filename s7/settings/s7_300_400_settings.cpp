#include "s7/settings/s7_300_400_settings.hpp"

#include "module/settings/setting_reader.hpp"

namespace korvel::probekit::s7::settings {

s7_300_400_settings s7_300_400_settings::parse(const sensor_data_wrapper& data) {
    s7_300_400_settings parsed;
    parsed.base = parse_base_settings(data);
    parsed.connection = parse_connection_group(data);
    parsed.compatibility = parse_compatibility_group(data);
    return parsed;
}

cpu_status_sensor_settings cpu_status_sensor_settings::parse(const sensor_data_wrapper& data) {
    cpu_status_sensor_settings parsed;
    static_cast<s7_300_400_settings&>(parsed) = s7_300_400_settings::parse(data);
    parsed.max_ob1_cycle_time_ms =
        read_integer(data, setting_key("simatic_s7_300_400_cpu_status_section", "max_ob1_cycle_time_ms"),
                     presence::optional, {0, std::nullopt});
    return parsed;
}

}  // namespace korvel::probekit::s7::settings
