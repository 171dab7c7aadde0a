#include "libjsonparser/case_insensitive_jsonpointer_parser.hpp"

#include <nlohmann/json.hpp>

#include "libjsonparser/json_pointer_path.hpp"

namespace korvel::probekit::libjsonparser {

const nlohmann::json* case_insensitive_jsonpointer_parser::find(const std::string& path) const {
    return find_path(held_value(), path, member_names::ignore_case);
}

std::unique_ptr<jsonpointer_parser> case_insensitive_jsonpointer_parser::make_child(
    const nlohmann::json& part) const {
    return std::make_unique<case_insensitive_jsonpointer_parser>(document(), part);
}

}  // namespace korvel::probekit::libjsonparser
