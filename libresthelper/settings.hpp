#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "libresthelper/authentication_provider_interface.hpp"
#include "libresthelper/proxy_settings.hpp"
#include "libresthelper/url.hpp"

namespace korvel::probekit::libresthelper {

// How a server's certificate is judged.
enum class certificate_validation : int {
    none = 0,           // every certificate is accepted
    hostname_only = 1,  // an untrusted certificate is accepted when its name matches the host
    strict = 2,         // only a trusted certificate whose name matches
};

// Everything that describes one REST client. The service container keys clients by it: equal
// settings share one client and its connection.
struct settings {
    url base_url;                                                       // scheme, host and port only
    std::shared_ptr<authentication_provider_interface> authentication;  // may be null
    std::unordered_map<std::string, std::string> default_headers;
    std::unordered_map<std::string, std::string> default_cookies;
    std::int64_t timeout = 30;  // seconds, for connecting and for the whole request; 0: the deadline alone
    std::optional<proxy_settings> proxy;
    libresthelper::certificate_validation certificate_validation =
        libresthelper::certificate_validation::strict;

    // Throws full_url_not_allowed when the URL has a non-empty path, query or fragment.
    explicit settings(url base);

    // Field by field; providers compare with their own equals, a null provider equals only null.
    bool operator==(const settings& other) const;
};

}  // namespace korvel::probekit::libresthelper

// Combines the hashes of all fields; the two maps are combined independently of their order, so equal
// settings always hash equally.
template <>
struct std::hash<korvel::probekit::libresthelper::settings> {
    std::size_t operator()(const korvel::probekit::libresthelper::settings& settings) const noexcept;
};
