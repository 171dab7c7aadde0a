#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "liblog/log_interface.hpp"
#include "libs7/connection_interface.hpp"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libs7 {

// A sensor's first step while it holds no connection: resolve the host to IPv4 addresses with a
// resolver made by the container, log them, and fetch the shared connection for the first address.
// Throws could_not_resolve_host_name, the resolver's system errors, or factory_not_available.
std::shared_ptr<connection_interface> acquire_connection(libvexahelper::module::service_container& container,
                                                         const std::string& host, std::uint8_t rack,
                                                         std::uint8_t slot, std::uint16_t port,
                                                         std::chrono::milliseconds receive_timeout,
                                                         liblog::log_interface& log);

}  // namespace korvel::probekit::libs7
