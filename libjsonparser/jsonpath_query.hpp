#pragma once

#include <cstddef>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string_view>
#include <vector>

#include "libjsonparser/custom_json_functions.hpp"

namespace korvel::probekit::libjsonparser {

namespace jsonpath {
struct query;
}

// Paths come from our code, documents from the network: a path is bounded in length and nesting (each
// filter, parenthesis, negation and function call is a level), an evaluation in the values it visits,
// which bounds the work of recursive descents and of filters that search the whole document per element.
inline constexpr std::size_t max_jsonpath_length = 4096;
inline constexpr std::size_t max_jsonpath_nesting = 32;
inline constexpr std::size_t max_jsonpath_visits = std::size_t{1} << 25;

// A compiled JSONPath expression:
//   $                      the root
//   .name  ['name']        a member ("name" in double quotes too; \' \" \\ \/ \b \f \n \r \t \uXXXX)
//   [2]  [-1]              an array element, negative counting from the end
//   .*  [*]                every element or member value
//   ..name  ..*  ..[...]   the same applied to a value and all values nested in it, in document order
//   [start:end:step]       a slice, each part optional, negative step backwards
//   [0,2,'a']              a union: the selections one after the other
//   [?(condition)]         the elements (or member values) for which the condition holds:
//                          ==, !=, <, <=, >, >= on @-relative or $-absolute queries that select at most one
//                          value, numbers, 'strings', true, false, null and function calls; &&, ||, !,
//                          parentheses. A query or value on its own holds when it selects a value that is not
//                          false, null, 0 or empty. < and the like compare only numbers with numbers and
//                          strings with strings; == compares any two values, a query that selected
//                          nothing equals only another such query.
// A malformed path throws query_error naming what was expected and the position (from 1).
class jsonpath_query {
public:
    // `functions` must outlive the query.
    jsonpath_query(std::string_view path, const custom_json_functions& functions);
    ~jsonpath_query();
    jsonpath_query(jsonpath_query&&) noexcept;
    jsonpath_query& operator=(jsonpath_query&&) noexcept;

    // The selected values of `root`, in order, duplicates kept; they point into `root`.
    // Throws query_error when the evaluation would visit more than `max_visits` values.
    std::vector<const nlohmann::json*> select(const nlohmann::json& root,
                                              std::size_t max_visits = max_jsonpath_visits) const;

private:
    std::unique_ptr<const jsonpath::query> query_;
};

}  // namespace korvel::probekit::libjsonparser
