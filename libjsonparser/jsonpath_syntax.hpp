#pragma once

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "libjsonparser/custom_json_functions.hpp"

// The syntax tree of a compiled JSONPath expression, shared by its compiler and its evaluator only.
namespace korvel::probekit::libjsonparser::jsonpath {

struct expression;
using expression_ptr = std::unique_ptr<const expression>;

struct name_selector {
    std::string name;
};
struct wildcard_selector {};
struct index_selector {
    std::int64_t index;
};
struct slice_selector {
    std::optional<std::int64_t> start;
    std::optional<std::int64_t> end;
    std::int64_t step;
};
struct filter_selector {
    expression_ptr condition;
};
using selector =
    std::variant<name_selector, wildcard_selector, index_selector, slice_selector, filter_selector>;

// ".name" or "[...]"; with "..", applied to a value and everything nested in it.
struct segment {
    bool descendants = false;
    std::vector<selector> selectors;
};

// "$..." from the root, or "@..." from the value a filter is looking at.
struct query {
    bool relative = false;
    std::vector<segment> segments;
};

enum class comparison_operator { equal, not_equal, less, less_equal, greater, greater_equal };
enum class logical_operator { conjunction, disjunction };

struct literal {
    nlohmann::json value;
};
struct function_call {
    const custom_function* function;
    std::vector<expression_ptr> arguments;
};
struct comparison {
    comparison_operator op;
    expression_ptr left;
    expression_ptr right;
};
struct logical {
    logical_operator op;
    expression_ptr left;
    expression_ptr right;
};
struct negation {
    expression_ptr operand;
};

struct expression {
    std::variant<literal, query, function_call, comparison, logical, negation> node;
};

}  // namespace korvel::probekit::libjsonparser::jsonpath

namespace korvel::probekit::libjsonparser::jsonpath {

// Compiles a path; throws query_error.
query parse_path(std::string_view path, const custom_json_functions& functions);

// The values `path` selects in `root`; throws query_error after `max_visits` visits.
std::vector<const nlohmann::json*> evaluate(const query& path, const nlohmann::json& root,
                                            std::size_t max_visits);

}  // namespace korvel::probekit::libjsonparser::jsonpath
