#pragma once

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

#include "libjsonparser/value_site.hpp"
#include "libparser/parser_interface.hpp"

namespace korvel::probekit::libjsonparser {

// The value queries of jsonpointer_parser with JSONPath expressions as paths (see jsonpath_query; the
// filters may call the functions of custom_json_functions). A path that selects nothing throws
// empty_result; one that selects several values throws unexpected_array_error with their count; the one
// value it selects is then unwrapped and converted as by jsonpointer_parser. The collection queries are
// not available here.
class jsonpath_parser : public libparser::parser_interface {
public:
    // Parses `text`; throws parse_error.
    explicit jsonpath_parser(std::string_view text);
    ~jsonpath_parser() override;

    std::string get_string(const std::string& path) const override;
    std::int64_t get_int64(const std::string& path) const override;
    double get_double(const std::string& path) const override;
    bool get_bool(const std::string& path) const override;
    std::uint64_t get_uint64(const std::string& path) const override;
    // These three throw libjsonparser::exceptions::exception, "NOT YET IMPLEMENTED".
    std::vector<std::string> get_member_names(const std::string& path) const override;
    std::vector<std::unique_ptr<parser_interface>> get_array(const std::string& path) const override;
    std::map<std::string, std::unique_ptr<parser_interface>> get_object(
        const std::string& path) const override;
    std::string to_string() const override;
    bool designates(const std::string& path) const override;

private:
    // Where the value a query finds sits, for the errors that name it.
    value_site site(const std::string& path) const { return {document_.get(), document_.get(), path, {}}; }

    const nlohmann::json& resolve(const std::string& path) const;

    std::unique_ptr<const nlohmann::json> document_;
};

}  // namespace korvel::probekit::libjsonparser
