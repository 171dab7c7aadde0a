#pragma once

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/keyed_exception.hpp"

// Errors of the S7 connection and of read_szl's list checks.
// read_szl retries every one of them except szl_too_large when the sensor's retry setting is on;
// after the last attempt the sensor reports the last one as the scan's error.
namespace korvel::probekit::libs7::exceptions {

namespace keys = libi18n::error_keys::libs7;
using libi18n::keyed_exception;

// Base of the connection errors; the thrower gives the message.
class exception : public libi18n::i18n_exception {
public:
    using i18n_exception::i18n_exception;
};

// clang-format off
class connection_failed : public keyed_exception<exception, keys::connection_failed> { public: using keyed_exception::keyed_exception; };
class could_not_set_recv_timeout : public keyed_exception<exception, keys::could_not_set_recv_timeout> { public: using keyed_exception::keyed_exception; };
class could_not_set_remote_port : public keyed_exception<exception, keys::could_not_set_remote_port> { public: using keyed_exception::keyed_exception; };
class read_szl_failed : public keyed_exception<exception, keys::read_szl_failed> { public: using keyed_exception::keyed_exception; };
// The one error read_szl never retries: a second attempt would get the same too-long list.
class szl_too_large : public keyed_exception<exception, keys::szl_too_large> { public: using keyed_exception::keyed_exception; };
// clang-format on

// The list checks derive from the localisable base directly, not from the libs7 base,
// so a handler for connection errors does not see a malformed list.
// clang-format off
class element_size_mismatch : public keyed_exception<libi18n::i18n_exception, keys::element_size_mismatch> { public: using keyed_exception::keyed_exception; };
class total_bytes_mismatch : public keyed_exception<libi18n::i18n_exception, keys::total_bytes_mismatch> { public: using keyed_exception::keyed_exception; };
class failed_to_read_szl_data_into_type : public keyed_exception<libi18n::i18n_exception, keys::failed_to_read_szl_data_into_type> { public: using keyed_exception::keyed_exception; };
class unexpected_multiple_elements : public keyed_exception<libi18n::i18n_exception, keys::unexpected_multiple_elements> { public: using keyed_exception::keyed_exception; };
// clang-format on

}  // namespace korvel::probekit::libs7::exceptions
