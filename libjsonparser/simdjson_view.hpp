#pragma once

#include <simdjson.h>

#include "libjsonparser/json_view.hpp"

namespace korvel::probekit::libjsonparser {

// A value of a simdjson DOM document as a json_view. simdjson keeps an object's members as the text
// has them, duplicates included; the view shows them as nlohmann keeps them.
class simdjson_view {
public:
    explicit simdjson_view(simdjson::dom::element value) : value_(value) {}

    std::optional<json_kind> kind() const;
    std::size_t size() const;
    simdjson_view element(std::size_t index) const;
    std::optional<simdjson_view> member(const std::string& name) const;
    template <typename Visit>
    void for_each_element(Visit&& visit) const {
        for (const simdjson::dom::element element : array()) visit(simdjson_view(element));
    }
    template <typename Visit>
    void for_each_member(Visit&& visit) const {
        for (const auto& [name, value] : distinct_members()) visit(name, simdjson_view(value));
    }
    std::string_view string() const { return value_.get_string().value_unsafe(); }
    std::int64_t int64() const { return value_.get_int64().value_unsafe(); }
    std::uint64_t uint64() const { return value_.get_uint64().value_unsafe(); }
    double floating() const { return value_.get_double().value_unsafe(); }
    bool boolean() const { return value_.get_bool().value_unsafe(); }
    std::string text() const;

private:
    // The value as an array or object; only for a value of that kind. A copy: the result that
    // value_unsafe() refers into lives only as long as the expression.
    simdjson::dom::array array() const { return value_.get_array().value_unsafe(); }
    simdjson::dom::object object() const { return value_.get_object().value_unsafe(); }

    using named_value = std::pair<std::string_view, simdjson::dom::element>;
    // The members sorted by name, each name once with its last value.
    std::vector<named_value> distinct_members() const;

    simdjson::dom::element value_;
};

static_assert(json_view<simdjson_view>);

}  // namespace korvel::probekit::libjsonparser
