#pragma once

#include <memory>

#include "s7/diagnostics_sensor.hpp"
#include "s7/settings/s7_300_400_settings.hpp"

namespace korvel::probekit::s7 {

// An S7-300/400 CPU's operating mode, its OB1 cycle times, the last cycle against the user's
// maximum, and whether a cycle-time overrun was logged since the previous scan.
class cpu_status_sensor final : public diagnostics_sensor<settings::cpu_status_sensor_settings> {
public:
    static constexpr const char* kind_name = "simatic_s7_300_400_cpu_status_sensor";

    cpu_status_sensor(std::shared_ptr<libvexahelper::module::service_container> container, int id,
                      settings::cpu_status_sensor_settings settings,
                      std::shared_ptr<libvexahelper::settings::channel_map> channels,
                      libvexahelper::settings::persistent_data_storage persistent);

private:
    void do_scan() override;
};

}  // namespace korvel::probekit::s7
