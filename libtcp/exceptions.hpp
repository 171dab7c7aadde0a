#pragma once

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/keyed_exception.hpp"

// Errors of the host-name resolver. Not retried within a scan: the sensor resolves again
// on its next scan. Resolution failures other than "host not found" stay asio system errors.
namespace korvel::probekit::libtcp::exceptions {

using libi18n::keyed_exception;

// Base of the resolver errors; the thrower gives the message.
class exception : public libi18n::i18n_exception {
public:
    using i18n_exception::i18n_exception;
};

// The key belongs to the sensors' "error.*" family: the user sees it as a sensor error.
class could_not_resolve_host_name
    : public keyed_exception<exception, libi18n::error_keys::s7::could_not_resolve_host_name> {
public:
    using keyed_exception::keyed_exception;
};

}  // namespace korvel::probekit::libtcp::exceptions
