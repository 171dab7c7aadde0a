#pragma once

#include <string>
#include <type_traits>

#include "libparser/exceptions.hpp"
#include "libparser/parser_interface.hpp"

namespace korvel::probekit::libparser {

// Calls `getter` and answers `default_value` when the path designates nothing or a value of a kind the
// getter cannot return, so every optional member is read with its default named at the call:
//   query_or_default(parser, &parser_interface::get_int64, "error.code", 0)
// Every other error (a malformed path, a conversion that failed, an array where one value belongs)
// passes: those are faults, not absent members.
template <typename T>
T query_or_default(const parser_interface& parser, T (parser_interface::*getter)(const std::string&) const,
                   const std::string& path, std::type_identity_t<T> default_value) {
    if (!parser.designates(path)) return default_value;
    try {
        return (parser.*getter)(path);
    } catch (const exceptions::empty_result&) {
        return default_value;
    } catch (const exceptions::unexpected_type_error&) {
        return default_value;
    }
}

}  // namespace korvel::probekit::libparser
