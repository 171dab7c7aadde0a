#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace korvel::probekit::libjsonparser {

// A function a JSONPath filter may call. Each argument is a value or nothing (nullptr: a query that
// selected nothing); so is the answer (std::nullopt).
struct custom_function {
    std::string_view name;
    std::size_t arity;
    std::optional<nlohmann::json> (*call)(std::span<const nlohmann::json* const> arguments);
};

// The functions the JSONPath filters of this module may call. One is registered:
//   length(value): the characters (Unicode scalar values) of a string, the elements of an array, the
//   members of an object; nothing for any other value.
// So "$.result.nodes[?(length(@.children) > 0)]" finds the nodes that came with their children.
class custom_json_functions {
public:
    custom_json_functions();

    // The function of that name, or nullptr. The pointer stays valid as long as this object.
    const custom_function* find(std::string_view name) const;

private:
    std::vector<custom_function> functions_;
};

}  // namespace korvel::probekit::libjsonparser
