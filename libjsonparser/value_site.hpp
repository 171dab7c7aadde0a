#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace korvel::probekit::libjsonparser {

// Where a queried value sits, so an error about it can name the member: the whole parsed document,
// the value a query starts from (a child parser's part of that document, or the document itself) and
// the query's path from there.
struct value_site {
    const nlohmann::json* document = nullptr;
    const nlohmann::json* base = nullptr;
    std::string_view path;
};

// The member's dotted path from the top of the document ("2.result.modules.0.name"; "\." is a dot
// inside a name), empty for the top-level value. Searches the document for the base: paid only by an
// error, never by a query that succeeds.
std::string member_path(const value_site& site);

}  // namespace korvel::probekit::libjsonparser
