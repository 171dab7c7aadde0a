#include "libjsonparser/jsonpath_query.hpp"

#include "libjsonparser/jsonpath_syntax.hpp"

namespace korvel::probekit::libjsonparser {

jsonpath_query::jsonpath_query(std::string_view path, const custom_json_functions& functions)
    : query_(std::make_unique<const jsonpath::query>(jsonpath::parse_path(path, functions))) {}

jsonpath_query::~jsonpath_query() = default;
jsonpath_query::jsonpath_query(jsonpath_query&&) noexcept = default;
jsonpath_query& jsonpath_query::operator=(jsonpath_query&&) noexcept = default;

std::vector<const nlohmann::json*> jsonpath_query::select(const nlohmann::json& root,
                                                          std::size_t max_visits) const {
    return jsonpath::evaluate(*query_, root, max_visits);
}

}  // namespace korvel::probekit::libjsonparser
