#pragma once

#include <functional>
#include <memory>

#include "libtcp/resolver_interface.hpp"

namespace korvel::probekit::libtcp {

using resolver_factory = std::function<std::unique_ptr<resolver_interface>()>;

// Registered in the service container; every call makes a new asio resolver.
resolver_factory get_resolver_factory();

}  // namespace korvel::probekit::libtcp
