#include "libjsonparser/jsonpath_parser.hpp"

#include <nlohmann/json.hpp>

#include "libjsonparser/custom_json_functions.hpp"
#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/json_conversions.hpp"
#include "libjsonparser/json_text.hpp"
#include "libjsonparser/jsonpath_query.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

const custom_json_functions& registered_functions() {
    static const custom_json_functions functions;
    return functions;
}

[[noreturn]] void throw_not_implemented() {
    throw exceptions::exception(libi18n::literal_msg("NOT YET IMPLEMENTED"));
}

}  // namespace

jsonpath_parser::jsonpath_parser(std::string_view text)
    : document_(std::make_unique<const nlohmann::json>(parse_json_text(text))) {}

jsonpath_parser::~jsonpath_parser() = default;

std::string jsonpath_parser::get_string(const std::string& path) const {
    return convert_to_string(single_value(nlohmann_view(resolve(path))), site(path));
}

std::int64_t jsonpath_parser::get_int64(const std::string& path) const {
    return convert_to_int64(single_value(nlohmann_view(resolve(path))), site(path));
}

double jsonpath_parser::get_double(const std::string& path) const {
    return convert_to_double(single_value(nlohmann_view(resolve(path))), site(path));
}

bool jsonpath_parser::get_bool(const std::string& path) const {
    return convert_to_bool(single_value(nlohmann_view(resolve(path))), site(path));
}

std::uint64_t jsonpath_parser::get_uint64(const std::string& path) const {
    return convert_to_uint64(single_value(nlohmann_view(resolve(path))), site(path));
}

std::vector<std::string> jsonpath_parser::get_member_names(const std::string&) const {
    throw_not_implemented();
}

std::vector<std::unique_ptr<libparser::parser_interface>> jsonpath_parser::get_array(
    const std::string&) const {
    throw_not_implemented();
}

std::map<std::string, std::unique_ptr<libparser::parser_interface>> jsonpath_parser::get_object(
    const std::string&) const {
    throw_not_implemented();
}

std::string jsonpath_parser::to_string() const {
    return json_text_of(*document_);
}

bool jsonpath_parser::designates(const std::string& path) const {
    return !jsonpath_query(path, registered_functions()).select(*document_).empty();
}

const nlohmann::json& jsonpath_parser::resolve(const std::string& path) const {
    const auto selected = jsonpath_query(path, registered_functions()).select(*document_);
    if (selected.empty()) {
        throw libparser::exceptions::empty_result(path);
    }
    if (selected.size() > 1) {
        throw_unexpected_array(selected.size());
    }
    return *selected.front();
}

}  // namespace korvel::probekit::libjsonparser
