#pragma once

#include <string>
#include <vector>

#include "libtcp/resolve_query.hpp"

namespace korvel::probekit::libtcp {

// Turns a host text into address texts. Obtained fresh from the service container for each use.
class resolver_interface {
public:
    virtual ~resolver_interface() = default;

    // Address texts in the order the system resolver delivered them.
    // Throws exceptions::could_not_resolve_host_name when the name does not exist.
    virtual std::vector<std::string> resolve(const resolve_query& query) = 0;
};

}  // namespace korvel::probekit::libtcp
