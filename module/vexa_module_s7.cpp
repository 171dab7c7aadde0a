#include "module/vexa_module_s7.hpp"

#include "libresthelper/rest_helper_factory.hpp"
#include "libs7/connection_factory.hpp"
#include "libtcp/resolver_factory.hpp"
#include "module/descriptor/module_descriptor.hpp"
#include "module/sensors/registration.hpp"
#include "s7/cpu_restart_overview_sensor.hpp"
#include "s7/cpu_status_sensor.hpp"
#include "s7/led_status_sensor.hpp"
#include "s7/s7web/s7web_client.hpp"
#include "s7/s7web/s7web_login_check.hpp"
#include "s7/simatic_s7_1200_1500_alarm_status_sensor.hpp"
#include "s7/simatic_s7_1200_1500_cpu_status_sensor.hpp"
#include "s7/simatic_s7_1200_1500_hardware_status_sensor.hpp"

namespace korvel::probekit::s7 {

using libvexahelper::module::register_check_as;
using libvexahelper::module::register_sensor_as;

VexaModuleS7::VexaModuleS7(std::uint64_t host_context, host_callback callback)
    : module_instance(host_context, callback) {
    // Assembled here so a broken descriptor fails initialisation instead of a later call.
    module_descriptor();

    container()->add_factory(libs7::get_connection_factory());
    container()->add_factory(libtcp::get_resolver_factory());
    container()->add_factory(libresthelper::get_rest_helper_factory());
    // A released client's failed logout goes to the module's runtime log.
    container()->add_factory(s7web::get_s7web_client_factory(
        [container = std::weak_ptr<libvexahelper::module::service_container>(container())]()
            -> std::shared_ptr<liblog::log_interface> {
            const auto owner = container.lock();
            if (!owner) return nullptr;
            try {
                return owner->get<liblog::log_interface>();
            } catch (const std::exception&) {
                return nullptr;  // no runtime log registered: the line is dropped
            }
        }));

    register_sensor_as<cpu_status_sensor>(*dispatcher(), cpu_status_sensor::kind_name);
    register_sensor_as<cpu_restart_overview_sensor>(*dispatcher(), cpu_restart_overview_sensor::kind_name);
    register_sensor_as<led_status_sensor>(*dispatcher(), led_status_sensor::kind_name);
    register_sensor_as<simatic_s7_1200_1500_cpu_status_sensor>(
        *dispatcher(), simatic_s7_1200_1500_cpu_status_sensor::kind_name);
    register_sensor_as<simatic_s7_1200_1500_hardware_status_sensor>(
        *dispatcher(), simatic_s7_1200_1500_hardware_status_sensor::kind_name);
    register_sensor_as<simatic_s7_1200_1500_alarm_status_sensor>(
        *dispatcher(), simatic_s7_1200_1500_alarm_status_sensor::kind_name);
    register_check_as<s7web::s7web_login_check>(*dispatcher(), s7web::s7web_login_check::kind_name);
}

std::string VexaModuleS7::get_module_information() const { return module_descriptor(); }

}  // namespace korvel::probekit::s7
