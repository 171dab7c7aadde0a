#include "libjsonparser/jsonpointer_parser.hpp"

#include <nlohmann/json.hpp>

#include "libjsonparser/json_conversions.hpp"
#include "libjsonparser/json_pointer_path.hpp"
#include "libjsonparser/json_text.hpp"
#include "libjsonparser/json_view.hpp"
#include "libjsonparser/json_view_queries.hpp"
#include "libparser/exceptions.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

// Makes the parsers of the parts of a value, which find their place in the document themselves.
auto children_of(const jsonpointer_parser& parser) {
    return [&parser](nlohmann_view part, const auto&) { return parser.make_child(part.json()); };
}

}  // namespace

jsonpointer_parser::jsonpointer_parser(std::string_view text)
    : document_(std::make_shared<const nlohmann::json>(parse_json_text(text))), value_(document_.get()) {}

jsonpointer_parser::~jsonpointer_parser() = default;

std::string jsonpointer_parser::get_string(const std::string& path) const {
    return convert_to_string(single_value(nlohmann_view(resolve(path))), site(path));
}

std::int64_t jsonpointer_parser::get_int64(const std::string& path) const {
    return convert_to_int64(single_value(nlohmann_view(resolve(path))), site(path));
}

double jsonpointer_parser::get_double(const std::string& path) const {
    return convert_to_double(single_value(nlohmann_view(resolve(path))), site(path));
}

bool jsonpointer_parser::get_bool(const std::string& path) const {
    return convert_to_bool(single_value(nlohmann_view(resolve(path))), site(path));
}

std::uint64_t jsonpointer_parser::get_uint64(const std::string& path) const {
    return convert_to_uint64(single_value(nlohmann_view(resolve(path))), site(path));
}

std::vector<std::string> jsonpointer_parser::get_member_names(const std::string& path) const {
    return member_names_of(nlohmann_view(resolve(path)), site(path));
}

std::vector<std::unique_ptr<libparser::parser_interface>> jsonpointer_parser::get_array(
    const std::string& path) const {
    return elements_of(nlohmann_view(resolve(path)), site(path), children_of(*this));
}

std::map<std::string, std::unique_ptr<libparser::parser_interface>> jsonpointer_parser::get_object(
    const std::string& path) const {
    return members_of(nlohmann_view(resolve(path)), site(path), children_of(*this));
}

std::string jsonpointer_parser::to_string() const {
    return json_text_of(*value_);
}

bool jsonpointer_parser::designates(const std::string& path) const {
    return find(path) != nullptr;
}

const nlohmann::json* jsonpointer_parser::find(const std::string& path) const {
    return find_path(*value_, path, member_names::match_case);
}

const nlohmann::json& jsonpointer_parser::resolve(const std::string& path) const {
    const nlohmann::json* found = find(path);
    if (found == nullptr) throw libparser::exceptions::empty_result(path);
    return *found;
}

std::unique_ptr<jsonpointer_parser> jsonpointer_parser::make_child(const nlohmann::json& part) const {
    return std::make_unique<jsonpointer_parser>(document_, part);
}

}  // namespace korvel::probekit::libjsonparser
