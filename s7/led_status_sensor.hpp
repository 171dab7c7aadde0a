#pragma once

#include <memory>

#include "s7/s7_300_400_sensor.hpp"
#include "s7/settings/s7_300_400_settings.hpp"

namespace korvel::probekit::s7 {

// Every front-panel LED an S7-300/400 CPU reports, one channel each, created the first time the
// LED is reported.
class led_status_sensor final : public s7_300_400_sensor<settings::s7_300_400_settings> {
public:
    static constexpr const char* kind_name = "simatic_s7_300_400_led_status_sensor";

    led_status_sensor(std::shared_ptr<libvexahelper::module::service_container> container, int id,
                      settings::s7_300_400_settings settings,
                      std::shared_ptr<libvexahelper::settings::channel_map> channels,
                      libvexahelper::settings::persistent_data_storage persistent);

private:
    void do_scan() override;
};

}  // namespace korvel::probekit::s7
