#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "libjsonparser/json_conversions.hpp"
#include "libjsonparser/json_view.hpp"
#include "libjsonparser/value_site.hpp"
#include "libparser/parser_interface.hpp"

// The queries of parser_interface that hand out parts of a document, over any json_view. `make_child`
// builds the parser of one part from its view and its index (array) or name (object).
namespace korvel::probekit::libjsonparser {

template <json_view View>
void require_kind(View value, json_kind wanted, const value_site& site) {
    if (value.kind() != wanted) throw_unexpected_type(value.kind(), kind_name(wanted), site);
}

template <json_view View>
std::vector<std::string> member_names_of(View object, const value_site& site) {
    require_kind(object, json_kind::object, site);
    std::vector<std::string> names;
    object.for_each_member([&](std::string_view name, View) { names.emplace_back(name); });
    return names;
}

template <json_view View, typename MakeChild>
std::vector<std::unique_ptr<libparser::parser_interface>> elements_of(View array, const value_site& site,
                                                                      MakeChild make_child) {
    require_kind(array, json_kind::array, site);
    std::vector<std::unique_ptr<libparser::parser_interface>> elements;
    elements.reserve(array.size());
    array.for_each_element([&](View element) { elements.push_back(make_child(element, elements.size())); });
    return elements;
}

template <json_view View, typename MakeChild>
std::map<std::string, std::unique_ptr<libparser::parser_interface>> members_of(View object,
                                                                              const value_site& site,
                                                                              MakeChild make_child) {
    require_kind(object, json_kind::object, site);
    std::map<std::string, std::unique_ptr<libparser::parser_interface>> members;
    object.for_each_member(
        [&](std::string_view name, View value) { members.emplace(std::string(name), make_child(value, name)); });
    return members;
}

}  // namespace korvel::probekit::libjsonparser
