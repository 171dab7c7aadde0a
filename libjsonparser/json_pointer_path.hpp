#pragma once

#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

namespace korvel::probekit::libjsonparser {

// A dotted path ("result.entries.0.timestamp") as a JSON Pointer (RFC 6901): "~" becomes "~0", "/"
// becomes "~1", "." separates steps, "\." stands for a dot inside a member name. The empty path is the
// empty pointer, the whole document.
std::string to_json_pointer(std::string_view path);

enum class member_names { match_case, ignore_case };

// The value the dotted `path` designates in `root`. Steps by name into objects and by decimal index
// into arrays; stepping into any other value, a missing member and an index past the end designate
// nothing (empty_result naming the path). A step into an array that is not an index throws query_error,
// "Invalid array index" or, ignoring case, "Not an object". Ignoring case, a member spelled exactly as
// the step wins over one that differs only in case.
const nlohmann::json& resolve_path(const nlohmann::json& root, const std::string& path, member_names names);

// Like resolve_path, but a path that designates nothing gives a null pointer instead of empty_result.
const nlohmann::json* find_path(const nlohmann::json& root, const std::string& path, member_names names);

}  // namespace korvel::probekit::libjsonparser
