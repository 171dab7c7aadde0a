#pragma once

#include <memory>
#include <string_view>

#include "libparser/parser_interface.hpp"

namespace korvel::probekit::libjsonparser {

// Parses `text` into the queries jsonpointer_parser answers, with the same results and errors, on
// simdjson's DOM, which parses a Web API answer several times faster. Null when simdjson refuses the
// text (not UTF-8, a number beyond its range, bad JSON, too long or too deep).
std::unique_ptr<libparser::parser_interface> parse_with_simdjson(std::string_view text);

// parse_with_simdjson, or jsonpointer_parser for a text simdjson refuses: it reads what simdjson
// leaves (bytes that are not UTF-8, integers beyond 64 bits) and throws its parse_error for the rest.
std::unique_ptr<libparser::parser_interface> parse_json_document(std::string_view text);

}  // namespace korvel::probekit::libjsonparser
