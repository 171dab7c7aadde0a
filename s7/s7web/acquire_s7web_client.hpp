#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "libresthelper/proxy_settings.hpp"
#include "libresthelper/settings.hpp"
#include "module/service_container/service_container.hpp"
#include "s7/s7web/s7web_client.hpp"

namespace korvel::probekit::s7::s7web {

// Where and as whom the Web API is reached.
struct s7web_target {
    std::string host;
    std::uint16_t port = 443;
    std::optional<libresthelper::proxy_settings> proxy;
    libresthelper::certificate_validation validation = libresthelper::certificate_validation::strict;
    std::string username;
    std::string password;
};

// The shared client for the target: the REST client and the Web API client are both taken from the
// container by value, so equal targets share one of each (and one token).
std::shared_ptr<s7web_client> acquire_s7web_client(libvexahelper::module::service_container& container,
                                                   const s7web_target& target);

}  // namespace korvel::probekit::s7::s7web
