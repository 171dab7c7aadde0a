#pragma once

#include <memory>
#include <string>

#include "libresthelper/rest_interface.hpp"

namespace korvel::probekit::s7::s7web {

// Keys the shared Web API clients: one client per REST client and credentials.
struct s7web_client_settings {
    std::shared_ptr<libresthelper::rest_interface> rest_client;
    std::string username;
    std::string password;

    bool operator==(const s7web_client_settings&) const = default;
};

}  // namespace korvel::probekit::s7::s7web

template <>
struct std::hash<korvel::probekit::s7::s7web::s7web_client_settings> {
    std::size_t operator()(const korvel::probekit::s7::s7web::s7web_client_settings& settings) const noexcept;
};
