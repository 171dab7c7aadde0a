#include "module/sensors/sensor_log.hpp"

#include "liblog/null_logger.hpp"

namespace korvel::probekit::libvexahelper::sensors {

std::shared_ptr<liblog::log_interface> choose_sensor_log(module::service_container& container, int id, bool enabled) {
    if (!enabled) return liblog::null_logger::shared();
    return container.create<liblog::log_interface>(id);
}

}  // namespace korvel::probekit::libvexahelper::sensors
