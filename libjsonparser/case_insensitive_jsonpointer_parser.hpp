#pragma once

#include "libjsonparser/jsonpointer_parser.hpp"

namespace korvel::probekit::libjsonparser {

// A jsonpointer_parser whose paths match member names without regard to letter case
// ("Result.Mode_Selector" finds "result.mode_selector"); its children match the same way.
class case_insensitive_jsonpointer_parser : public jsonpointer_parser {
public:
    using jsonpointer_parser::jsonpointer_parser;

    const nlohmann::json* find(const std::string& path) const override;
    std::unique_ptr<jsonpointer_parser> make_child(const nlohmann::json& part) const override;
};

}  // namespace korvel::probekit::libjsonparser
