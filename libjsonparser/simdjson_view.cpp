#include "libjsonparser/simdjson_view.hpp"

#include <algorithm>

namespace korvel::probekit::libjsonparser {
namespace {

// The nesting of a parsed text is bounded, so is the recursion. Assigning the members in text order
// keeps the last of a duplicated name, as nlohmann's parser does.
nlohmann::json json_of(simdjson::dom::element value) {
    simdjson::dom::array array;
    simdjson::dom::object object;
    using type = simdjson::dom::element_type;
    switch (value.type()) {
        case type::ARRAY: {
            nlohmann::json elements = nlohmann::json::array();
            if (value.get(array) == simdjson::SUCCESS) {
                for (const simdjson::dom::element element : array) elements.push_back(json_of(element));
            }
            return elements;
        }
        case type::OBJECT: {
            nlohmann::json members = nlohmann::json::object();
            if (value.get(object) == simdjson::SUCCESS) {
                for (const auto member : object) members[std::string(member.key)] = json_of(member.value);
            }
            return members;
        }
        case type::INT64:
            return value.get_int64().value_unsafe();
        case type::UINT64:
            return value.get_uint64().value_unsafe();
        case type::DOUBLE:
            return value.get_double().value_unsafe();
        case type::STRING:
            return std::string(value.get_string().value_unsafe());
        case type::BOOL:
            return value.get_bool().value_unsafe();
        case type::NULL_VALUE:
            break;
    }
    return nullptr;
}

}  // namespace

std::optional<json_kind> simdjson_view::kind() const {
    using type = simdjson::dom::element_type;
    switch (value_.type()) {
        case type::ARRAY:
            return json_kind::array;
        case type::OBJECT:
            return json_kind::object;
        case type::INT64:
            return json_kind::int64;
        case type::UINT64:
            // simdjson reads a non-negative integer as unsigned only beyond the signed range.
            return json_kind::uint64;
        case type::DOUBLE:
            return json_kind::floating;
        case type::STRING:
            return json_kind::string;
        case type::BOOL:
            return json_kind::boolean;
        case type::NULL_VALUE:
            return json_kind::null;
    }
    return std::nullopt;
}

std::size_t simdjson_view::size() const {
    switch (value_.type()) {
        case simdjson::dom::element_type::ARRAY:
            return array().size();
        case simdjson::dom::element_type::OBJECT:
            // Only an object of two members or more can hold a name twice.
            return object().size() < 2 ? object().size() : distinct_members().size();
        case simdjson::dom::element_type::NULL_VALUE:
            return 0;
        default:
            return 1;
    }
}

simdjson_view simdjson_view::element(std::size_t index) const {
    return simdjson_view(array().at(index).value_unsafe());
}

std::optional<simdjson_view> simdjson_view::member(const std::string& name) const {
    std::optional<simdjson_view> found;
    for (const auto member : object()) {
        if (member.key == name) found = simdjson_view(member.value);
    }
    return found;
}

std::vector<simdjson_view::named_value> simdjson_view::distinct_members() const {
    std::vector<named_value> members;
    for (const auto member : object()) members.emplace_back(member.key, member.value);
    std::ranges::stable_sort(members, {}, &named_value::first);
    // Of a run of equal names the last one stays.
    std::vector<named_value> distinct;
    distinct.reserve(members.size());
    for (std::size_t at = 0; at < members.size(); ++at) {
        if (at + 1 == members.size() || members[at + 1].first != members[at].first) distinct.push_back(members[at]);
    }
    return distinct;
}

std::string simdjson_view::text() const { return json_text_of(json_of(value_)); }

}  // namespace korvel::probekit::libjsonparser
