#pragma once

#include <memory>

#include "s7/s7web_sensor.hpp"
#include "s7/settings/s7web_sensor_settings.hpp"

namespace korvel::probekit::s7 {

// An S7-1200/1500 CPU's operating mode and mode selector (of both CPUs of a redundant R/H system),
// its cycle times, program and communication load, and whether a cycle-time overrun was logged since
// the previous scan, through the Web API.
class simatic_s7_1200_1500_cpu_status_sensor final
    : public s7web_sensor<settings::simatic_s7_1200_1500_cpu_status_sensor> {
public:
    static constexpr const char* kind_name = "simatic_s7_1200_1500_cpu_status_sensor";

    simatic_s7_1200_1500_cpu_status_sensor(
        std::shared_ptr<libvexahelper::module::service_container> container, int id,
        settings::simatic_s7_1200_1500_cpu_status_sensor settings,
        std::shared_ptr<libvexahelper::settings::channel_map> channels,
        libvexahelper::settings::persistent_data_storage persistent);

private:
    void do_scan() override;
    // Sets the runtime information channels, registering them first; none when the firmware lacks them.
    void report_runtime_information(const libparser::parser_interface& answer,
                                    libvexahelper::responses::sensor_scan_result& result);
    void report_cycle_time_events(const libparser::parser_interface& answer,
                                  libvexahelper::responses::sensor_scan_result& result);

    // Set once the CPU rejected the mode reads without a redundancy id: from then on both CPUs of the
    // R/H system are asked by id. Kept for the sensor's life only.
    bool redundant_ = false;
};

}  // namespace korvel::probekit::s7
