#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace korvel::probekit::libjsonparser {

// Where a queried value sits, so an error about it can name the member: the query's path from the
// value a query starts from (a child parser's part of the document, or the document itself), and
// where that value lies in the whole document: either the parsed nlohmann document and the base
// value's address in it, or the base's path itself for a document whose values have no address.
struct value_site {
    const nlohmann::json* document = nullptr;
    const nlohmann::json* base = nullptr;
    std::string_view path;
    std::string_view base_path;
};

// The member's dotted path from the top of the document ("2.result.modules.0.name"; "\." is a dot
// inside a name), empty for the top-level value. Searches a nlohmann document for the base: paid only
// by an error, never by a query that succeeds.
std::string member_path(const value_site& site);

// The dotted path of an element or a member of the value at `parent`.
std::string child_path(std::string_view parent, std::size_t index);
std::string child_path(std::string_view parent, std::string_view member_name);

}  // namespace korvel::probekit::libjsonparser
