#include "libjsonparser/jsonpointer_parser.hpp"

#include <nlohmann/json.hpp>

#include "libjsonparser/json_conversions.hpp"
#include "libjsonparser/json_pointer_path.hpp"
#include "libjsonparser/json_text.hpp"
#include "libparser/exceptions.hpp"

namespace korvel::probekit::libjsonparser {

jsonpointer_parser::jsonpointer_parser(std::string_view text)
    : document_(std::make_shared<const nlohmann::json>(parse_json_text(text))), value_(document_.get()) {}

jsonpointer_parser::~jsonpointer_parser() = default;

std::string jsonpointer_parser::get_string(const std::string& path) const {
    return convert_to_string(single_value(resolve(path)), site(path));
}

std::int64_t jsonpointer_parser::get_int64(const std::string& path) const {
    return convert_to_int64(single_value(resolve(path)), site(path));
}

double jsonpointer_parser::get_double(const std::string& path) const {
    return convert_to_double(single_value(resolve(path)), site(path));
}

bool jsonpointer_parser::get_bool(const std::string& path) const {
    return convert_to_bool(single_value(resolve(path)), site(path));
}

std::uint64_t jsonpointer_parser::get_uint64(const std::string& path) const {
    return convert_to_uint64(single_value(resolve(path)), site(path));
}

std::vector<std::string> jsonpointer_parser::get_member_names(const std::string& path) const {
    const auto& object = resolve(path);
    if (!object.is_object()) {
        throw_unexpected_type(object, "object", site(path));
    }
    std::vector<std::string> names;
    names.reserve(object.size());
    for (const auto& member : object.items()) {
        names.push_back(member.key());
    }
    return names;
}

std::vector<std::unique_ptr<libparser::parser_interface>> jsonpointer_parser::get_array(
    const std::string& path) const {
    const auto& array = resolve(path);
    if (!array.is_array()) {
        throw_unexpected_type(array, "array", site(path));
    }
    std::vector<std::unique_ptr<parser_interface>> elements;
    elements.reserve(array.size());
    for (const auto& element : array) {
        elements.push_back(make_child(element));
    }
    return elements;
}

std::map<std::string, std::unique_ptr<libparser::parser_interface>> jsonpointer_parser::get_object(
    const std::string& path) const {
    const auto& object = resolve(path);
    if (!object.is_object()) {
        throw_unexpected_type(object, "object", site(path));
    }
    std::map<std::string, std::unique_ptr<parser_interface>> members;
    for (const auto& member : object.items()) {
        members.emplace(member.key(), make_child(member.value()));
    }
    return members;
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
