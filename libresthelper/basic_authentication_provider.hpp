#pragma once

#include <string>

#include "libresthelper/authentication_provider_interface.hpp"

namespace korvel::probekit::libresthelper {

// "Authorization: Basic " and the Base64 encoding of user name, ":" and password.
class basic_authentication_provider final : public authentication_provider_interface {
public:
    basic_authentication_provider(std::string user, std::string password);

    std::pair<std::string, std::string> get_header(const std::string& request_url) const override;
    std::size_t hash() const override;
    bool equals(const authentication_provider_interface& other) const override;

private:
    std::string user_;
    std::string password_;
};

// Standard Base64 (RFC 4648, with padding).
std::string base64_encode(const std::string& bytes);

}  // namespace korvel::probekit::libresthelper
