#pragma once

#include <memory>

#include "s7/diagnostics_sensor.hpp"
#include "s7/settings/s7_300_400_settings.hpp"

namespace korvel::probekit::s7 {

// Counts an S7-300/400 CPU's restarts by kind from its diagnostic buffer, keeping running totals
// in persistent data so that restarts of the module lose nothing and count nothing twice.
class cpu_restart_overview_sensor final : public diagnostics_sensor<settings::s7_300_400_settings> {
public:
    static constexpr const char* kind_name = "simatic_s7_300_400_cpu_restart_overview_sensor";

    cpu_restart_overview_sensor(std::shared_ptr<libvexahelper::module::service_container> container, int id,
                                settings::s7_300_400_settings settings,
                                std::shared_ptr<libvexahelper::settings::channel_map> channels,
                                libvexahelper::settings::persistent_data_storage persistent);

private:
    void do_scan() override;
};

}  // namespace korvel::probekit::s7
