#pragma once

#include <cstddef>
#include <optional>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

#include "libjsonparser/json_view.hpp"

namespace korvel::probekit::libjsonparser {

enum class member_names { match_case, ignore_case };

// Calls `step` with each step of a dotted path in turn, as long as it returns true: "." separates
// steps, "\." is a dot inside a member name, every other character stands for itself. The empty path
// has no steps; "a." has two, the second empty. One buffer serves every step: lookups run per query.
template <typename Step>
void for_each_step(std::string_view path, Step step) {
    if (path.empty()) return;
    std::string token;
    for (std::size_t at = 0; at <= path.size(); ++at) {
        if (at == path.size() || path[at] == '.') {
            if (!step(token)) return;
            token.clear();
        } else if (path[at] == '\\' && at + 1 < path.size() && path[at + 1] == '.') {
            token += '.';
            ++at;
        } else {
            token += path[at];
        }
    }
}

// A step into an array: an index as RFC 6901 writes it ("0", or digits without a leading zero) or "-"
// (past the end). `element` is empty for "-" and for numbers too large for any array.
struct array_step {
    bool valid = false;
    std::optional<std::size_t> element;
};
array_step parse_array_step(const std::string& token);
// A step into an array that is not an index: "Invalid array index" or, ignoring case, "Not an object".
[[noreturn]] void throw_invalid_array_step(member_names names);
bool equal_ignoring_case(std::string_view a, std::string_view b);

// Ignoring case, a member spelled exactly as `name` wins over one that differs only in case.
template <json_view View>
std::optional<View> find_member(View object, const std::string& name, member_names names) {
    auto found = object.member(name);
    if (!found && names == member_names::ignore_case) {
        object.for_each_member([&](std::string_view member, View value) {
            if (!found && equal_ignoring_case(member, name)) found = value;
        });
    }
    return found;
}

// The value the dotted `path` ("result.entries.0.timestamp"; see for_each_step) designates in `root`,
// or nothing. Steps by name into objects and by decimal index into arrays; stepping into any other
// value, a missing member and an index past the end designate nothing. A step into an array that is
// not an index throws query_error (throw_invalid_array_step).
template <json_view View>
std::optional<View> find_value(View root, const std::string& path, member_names names) {
    std::optional<View> current = root;
    for_each_step(path, [&](const std::string& token) {
        const auto kind = current->kind();
        if (kind == json_kind::object) {
            current = find_member(*current, token, names);
        } else if (kind == json_kind::array) {
            const auto step = parse_array_step(token);
            if (!step.valid) throw_invalid_array_step(names);
            if (step.element && *step.element < current->size()) {
                current = current->element(*step.element);
            } else {
                current.reset();
            }
        } else {
            current.reset();
        }
        return current.has_value();
    });
    return current;
}

// find_value over a nlohmann document: the value or null.
const nlohmann::json* find_path(const nlohmann::json& root, const std::string& path, member_names names);

}  // namespace korvel::probekit::libjsonparser
