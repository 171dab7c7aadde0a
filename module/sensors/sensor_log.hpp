#pragma once

#include <memory>

#include "liblog/log_interface.hpp"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::sensors {

// A sensor or check writes to its own log only while its `logging` setting is enabled; otherwise
// every line goes to the shared null logger.
std::shared_ptr<liblog::log_interface> choose_sensor_log(module::service_container& container, int id, bool enabled);

}  // namespace korvel::probekit::libvexahelper::sensors
