#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "s7/s7web/module_node.hpp"
#include "s7/s7web_sensor.hpp"
#include "s7/settings/s7web_sensor_settings.hpp"

namespace korvel::probekit::s7 {

// The status of every hardware device and module (CPUs aside) of an S7-1200/1500 controller through
// the Web API, one channel each, and how many of them are in a fault state.
class simatic_s7_1200_1500_hardware_status_sensor final
    : public s7web_sensor<settings::simatic_s7_1200_1500_hardware_status_sensor> {
public:
    static constexpr const char* kind_name = "simatic_s7_1200_1500_hardware_status_sensor";

    simatic_s7_1200_1500_hardware_status_sensor(
        std::shared_ptr<libvexahelper::module::service_container> container, int id,
        settings::simatic_s7_1200_1500_hardware_status_sensor settings,
        std::shared_ptr<libvexahelper::settings::channel_map> channels,
        libvexahelper::settings::persistent_data_storage persistent);

private:
    void do_scan() override;
    // Every node of the hardware tree, as deep as the walk goes.
    std::vector<s7web::module_node> walk_hardware_tree();
    // The module's status value from the batch's answers; 0 when its status is missing or unreadable.
    std::int64_t status_value(
        const s7web::module_node& module,
        const std::unordered_map<std::string, const libparser::parser_interface*>& answers,
        bool contains_monitored) const;
};

}  // namespace korvel::probekit::s7
