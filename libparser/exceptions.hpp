#pragma once

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/keyed_exception.hpp"

// Errors of the value queries. Never retried; query_or_default turns empty_result and
// unexpected_type_error into its default and lets every other error pass.
namespace korvel::probekit::libparser::exceptions {

namespace keys = libi18n::error_keys::libparser;
using libi18n::keyed_exception;

// Base of the value-query errors, also of the JSON errors; the thrower gives the message.
class exception : public libi18n::i18n_exception {
public:
    using i18n_exception::i18n_exception;
};

// The path designates nothing; the argument is the path.
class empty_result : public keyed_exception<exception, keys::empty_result> {
public:
    using keyed_exception::keyed_exception;
};

// The value has a kind the getter cannot return; the argument names the kind.
class unexpected_type_error : public keyed_exception<exception, keys::unexpected_type> {
public:
    using keyed_exception::keyed_exception;
};

}  // namespace korvel::probekit::libparser::exceptions
