#include "libjsonparser/case_insensitive_jsonpointer_parser.hpp"

#include <nlohmann/json.hpp>

#include "libjsonparser/json_pointer_path.hpp"

namespace korvel::probekit::libjsonparser {

const nlohmann::json& case_insensitive_jsonpointer_parser::resolve(const std::string& path) const {
    return resolve_path(held_value(), path, member_names::ignore_case);
}

std::unique_ptr<jsonpointer_parser> case_insensitive_jsonpointer_parser::make_child(
    const nlohmann::json& value) const {
    return std::make_unique<case_insensitive_jsonpointer_parser>(value);
}

}  // namespace korvel::probekit::libjsonparser
