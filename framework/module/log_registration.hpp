#pragma once

#include <memory>

#include "liblog/log_interface.hpp"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::module {

// Installs the factory for the module-wide runtime log: a std::function<std::unique_ptr<log_interface>()>.
void register_runtime_log(const std::shared_ptr<service_container>& container);

// Installs the factory for sensor logs: a std::function<std::unique_ptr<log_interface>(int sensor_id)>.
void register_sensor_log(const std::shared_ptr<service_container>& container);

}  // namespace korvel::probekit::libvexahelper::module
