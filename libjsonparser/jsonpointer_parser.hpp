#pragma once

#include <concepts>
#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <string_view>

#include "libjsonparser/value_site.hpp"
#include "libparser/parser_interface.hpp"

namespace korvel::probekit::libjsonparser {

// Value queries over one JSON value by dotted path ("result.cycle_time.actual.current"; see
// find_path). Object members are kept sorted by name.
class jsonpointer_parser : public libparser::parser_interface {
public:
    // Parses `text`; throws parse_error.
    explicit jsonpointer_parser(std::string_view text);
    // Holds a copy of `value`, typically a part of another document. Only a JSON value binds here:
    // a text passed by mistake must not turn into a JSON string.
    template <std::same_as<nlohmann::json> Json>
    explicit jsonpointer_parser(const Json& value)
        : document_(std::make_shared<const Json>(value)), value_(document_.get()) {}
    // A view of `part`, which lies inside `document` and is kept alive with it: the elements of an
    // answer are handed out without copying them.
    jsonpointer_parser(std::shared_ptr<const nlohmann::json> document, const nlohmann::json& part)
        : document_(std::move(document)), value_(&part) {}
    ~jsonpointer_parser() override;

    std::string get_string(const std::string& path) const override;
    std::int64_t get_int64(const std::string& path) const override;
    double get_double(const std::string& path) const override;
    bool get_bool(const std::string& path) const override;
    std::uint64_t get_uint64(const std::string& path) const override;
    std::vector<std::string> get_member_names(const std::string& path) const override;
    std::vector<std::unique_ptr<parser_interface>> get_array(const std::string& path) const override;
    std::map<std::string, std::unique_ptr<parser_interface>> get_object(
        const std::string& path) const override;
    std::string to_string() const override;
    bool designates(const std::string& path) const override;

    // The value `path` designates, or null; every query above finds first, then converts.
    virtual const nlohmann::json* find(const std::string& path) const;
    // The value `path` designates; empty_result when there is none.
    const nlohmann::json& resolve(const std::string& path) const;
    // A parser of the same class over `part`, a value inside this parser's document.
    virtual std::unique_ptr<jsonpointer_parser> make_child(const nlohmann::json& part) const;

protected:
    const nlohmann::json& held_value() const { return *value_; }
    const std::shared_ptr<const nlohmann::json>& document() const { return document_; }

private:
    // Where the value a query finds sits, for the errors that name it.
    value_site site(const std::string& path) const { return {document_.get(), value_, path, {}}; }

    std::shared_ptr<const nlohmann::json> document_;
    const nlohmann::json* value_;
};

}  // namespace korvel::probekit::libjsonparser
