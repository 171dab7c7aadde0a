#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace korvel::probekit::libjsonparser {

enum class member_names { match_case, ignore_case };

// The value the dotted `path` ("result.entries.0.timestamp"; "\." is a dot inside a member name)
// designates in `root`, or null. Steps by name into objects and by decimal index into arrays; stepping
// into any other value, a missing member and an index past the end designate nothing. A step into an
// array that is not an index throws query_error, "Invalid array index" or, ignoring case, "Not an
// object". Ignoring case, a member spelled exactly as the step wins over one that differs only in case.
const nlohmann::json* find_path(const nlohmann::json& root, const std::string& path, member_names names);

}  // namespace korvel::probekit::libjsonparser
