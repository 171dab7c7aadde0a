#pragma once

#include <functional>
#include <memory>

#include "libs7/connection_interface.hpp"
#include "libs7/connection_settings.hpp"

namespace korvel::probekit::libs7 {

using connection_factory = std::function<std::unique_ptr<connection_interface>(const connection_settings&)>;

// Registered in the service container, which calls it once per distinct settings value still in use.
connection_factory get_connection_factory();

}  // namespace korvel::probekit::libs7
