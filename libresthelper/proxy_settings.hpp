#pragma once

#include <cstdint>
#include <string>

namespace korvel::probekit::libresthelper {

// An HTTP proxy, reached with CONNECT. A user name turns proxy authentication on.
struct proxy_settings {
    std::string host;
    std::uint16_t port = 0;
    std::string user;
    std::string password;

    bool operator==(const proxy_settings&) const = default;
};

}  // namespace korvel::probekit::libresthelper

template <>
struct std::hash<korvel::probekit::libresthelper::proxy_settings> {
    std::size_t operator()(const korvel::probekit::libresthelper::proxy_settings& proxy) const noexcept;
};
