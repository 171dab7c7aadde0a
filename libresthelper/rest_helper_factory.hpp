#pragma once

#include <functional>
#include <memory>

#include "libresthelper/rest_interface.hpp"
#include "libresthelper/settings.hpp"

namespace korvel::probekit::libresthelper {

using rest_helper_factory = std::function<std::unique_ptr<rest_interface>(const settings&)>;

// Registered in the service container, which calls it once per distinct settings value still in use.
rest_helper_factory get_rest_helper_factory();

}  // namespace korvel::probekit::libresthelper
