#pragma once

#include <cstdint>
#include <string>

namespace korvel::probekit::libtcp {

// Which address family a resolution may return.
enum class ip_family : std::uint8_t {
    any = 0,
    ipv4 = 1,
    ipv6 = 2,
};

struct resolve_query {
    ip_family ip_version = ip_family::any;
    std::string host;
    std::uint16_t port = 0;
};

}  // namespace korvel::probekit::libtcp
