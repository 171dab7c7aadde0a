#pragma once

#include "libtcp/resolver_interface.hpp"

namespace korvel::probekit::libtcp {

// Synchronous resolution through asio on a private io_context per call, so instances share nothing.
// Errors other than "host not found" leave as asio::system_error.
class resolver final : public resolver_interface {
public:
    std::vector<std::string> resolve(const resolve_query& query) override;
};

}  // namespace korvel::probekit::libtcp
