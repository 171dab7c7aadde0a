#pragma once

#include "libi18n/error_keys.hpp"
#include "libi18n/keyed_exception.hpp"
#include "libparser/exceptions.hpp"

// Errors of the JSON parser behind the value queries. Never retried. They derive from the
// libparser base, so code written against parser_interface catches them without knowing JSON.
namespace korvel::probekit::libjsonparser::exceptions {

namespace keys = libi18n::error_keys::libjsonparser;
using libi18n::keyed_exception;

// Base of the JSON errors; the thrower gives the message.
class exception : public libparser::exceptions::exception {
public:
    using libparser::exceptions::exception::exception;
};

// The keys drop the classes' "_error" suffix.
// clang-format off
class parse_error : public keyed_exception<exception, keys::parse> { public: using keyed_exception::keyed_exception; };
class query_error : public keyed_exception<exception, keys::query> { public: using keyed_exception::keyed_exception; };
class conversion_error : public keyed_exception<exception, keys::conversion> { public: using keyed_exception::keyed_exception; };
class unexpected_array_error : public keyed_exception<exception, keys::unexpected_array> { public: using keyed_exception::keyed_exception; };
// clang-format on

}  // namespace korvel::probekit::libjsonparser::exceptions
