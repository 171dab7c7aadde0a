#pragma once

#include <string>

#include "libexception/exception.hpp"

// Formatter errors are plain English texts: they only ever surface inside an enclosing failure.
namespace korvel::probekit::libstringutils::exceptions {

class exception : public libexception::exception {
public:
    using libexception::exception::exception;
};

class format_string_error : public exception {
public:
    format_string_error() : exception("Malformed placeholder in format string.") {}
};

class placeholder_index_not_in_arguments : public exception {
public:
    explicit placeholder_index_not_in_arguments(const std::string& digits)
        : exception("Index " + digits + " is too high for argument list.") {}
};

}  // namespace korvel::probekit::libstringutils::exceptions
