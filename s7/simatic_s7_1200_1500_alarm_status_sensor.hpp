#pragma once

#include <memory>
#include <vector>

#include "s7/s7web/module_node.hpp"
#include "s7/s7web_sensor.hpp"
#include "s7/settings/s7web_sensor_settings.hpp"

namespace korvel::probekit::s7 {

// The active alarms of an S7-1200/1500 controller through the Web API: how many, how many are
// unacknowledged, how they split by origin, the most critical one as the scan message, and an alarm
// state channel per hardware device or module name.
class simatic_s7_1200_1500_alarm_status_sensor final
    : public s7web_sensor<settings::simatic_s7_1200_1500_alarm_status_sensor> {
public:
    static constexpr const char* kind_name = "simatic_s7_1200_1500_alarm_status_sensor";

    simatic_s7_1200_1500_alarm_status_sensor(
        std::shared_ptr<libvexahelper::module::service_container> container, int id,
        settings::simatic_s7_1200_1500_alarm_status_sensor settings,
        std::shared_ptr<libvexahelper::settings::channel_map> channels,
        libvexahelper::settings::persistent_data_storage persistent);

private:
    void do_scan() override;
    // The hardware nodes the first batch and further browses find; what was found before a Web API
    // error stops the walk, so a controller without module browsing still gets its alarm counts.
    std::vector<s7web::module_node> walk_modules(const s7web::s7web_client::answers& first_answers);
};

}  // namespace korvel::probekit::s7
