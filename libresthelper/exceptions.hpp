#pragma once

#include <concepts>
#include <string>
#include <utility>

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/keyed_exception.hpp"

// Errors of the REST client: settings and URL rules, libcurl transport and status check. None is retried by a scan; the transport itself repeats only a failed TLS handshake.
namespace korvel::probekit::libresthelper::exceptions {

namespace keys = libi18n::error_keys::libresthelper;
using libi18n::keyed_exception;

// Base of the REST client errors; the thrower gives the message.
class exception : public libi18n::i18n_exception {
public:
    using i18n_exception::i18n_exception;

    // What the transport saw, in a few words ("connection refused by 127.0.0.1 port 443"), for a
    // caller that reports the failure under its own text; empty when the message says all there is.
    const std::string& cause() const { return cause_; }
    void set_cause(std::string cause) { cause_ = std::move(cause); }

private:
    std::string cause_;
};

// Throws `error` carrying `cause` (found by argument-dependent lookup at the throwers).
template <std::derived_from<exception> Error>
[[noreturn]] void throw_with_cause(Error error, std::string cause) {
    error.set_cause(std::move(cause));
    throw error;
}

// clang-format off
class add_header_failed : public keyed_exception<exception, keys::add_header_failed> { public: using keyed_exception::keyed_exception; };
class header_not_found : public keyed_exception<exception, keys::header_not_found> { public: using keyed_exception::keyed_exception; };
class multiple_authentication_methods : public keyed_exception<exception, keys::multiple_authentication_methods> { public: using keyed_exception::keyed_exception; };
class variable_name_empty : public keyed_exception<exception, keys::variable_name_empty> { public: using keyed_exception::keyed_exception; };
// clang-format on

// The server or the proxy could not be reached; the thrower gives the message
// (usually "libresthelper.error.connection_failed" with libcurl's error text).
class connection_failed : public exception {
public:
    using exception::exception;
};

// The proxy classes are keyed, and the authentication failure is a more specific proxy failure,
// so a handler for connection_failed or connection_failed_with_proxy sees all of them.
// clang-format off
class connection_failed_with_proxy : public keyed_exception<connection_failed, keys::connection_failed_with_proxy> { public: using keyed_exception::keyed_exception; };
class connection_failed_with_proxy_auth : public keyed_exception<connection_failed_with_proxy, keys::connection_failed_with_proxy_auth> { public: using keyed_exception::keyed_exception; };
// clang-format on

// The request reached no usable answer; the thrower gives the message
// (usually "libresthelper.error.request_failed" with the status, its reason and libcurl's text).
class request_failed : public exception {
public:
    using exception::exception;
};

// clang-format off
class authentication_failed : public keyed_exception<request_failed, keys::authentication_failed> { public: using keyed_exception::keyed_exception; };
class not_found : public keyed_exception<request_failed, keys::not_found> { public: using keyed_exception::keyed_exception; };
class request_timeout : public keyed_exception<request_failed, keys::request_timeout> { public: using keyed_exception::keyed_exception; };
class too_many_requests : public keyed_exception<request_failed, keys::too_many_requests> { public: using keyed_exception::keyed_exception; };
// clang-format on

// A URL that cannot be used; the thrower gives the message (usually "libresthelper.error.invalid_url").
class invalid_url : public exception {
public:
    using exception::exception;
};

class full_url_not_allowed : public keyed_exception<invalid_url, keys::full_url_not_allowed> {
public:
    using keyed_exception::keyed_exception;
};

}  // namespace korvel::probekit::libresthelper::exceptions
