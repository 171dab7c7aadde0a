#pragma once

#include <cstddef>
#include <string>
#include <utility>

namespace korvel::probekit::libresthelper {

// Adds one header to every request of a client, for example HTTP basic authentication.
class authentication_provider_interface {
public:
    virtual ~authentication_provider_interface() = default;
    // The header's name and value for a request to `request_url`.
    virtual std::pair<std::string, std::string> get_header(const std::string& request_url) const = 0;
    // Contributes to the hash of the client settings that hold the provider.
    virtual std::size_t hash() const = 0;
    // Two settings with equal providers share one client; the settings compare providers with this.
    virtual bool equals(const authentication_provider_interface& other) const = 0;
};

}  // namespace korvel::probekit::libresthelper
