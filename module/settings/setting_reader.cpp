#include "module/settings/setting_reader.hpp"

#include <map>

#include "framework/settings/validators.hpp"
#include "module/descriptor/descriptor_structure.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::s7::settings {
namespace {

namespace framework = libvexahelper::settings;

// The base values are the host's own and have no group in the descriptor.
const std::map<std::string, std::string> base_labels = {
    {"host", "Host"},         {"timeout", "Timeout"},      {"logging", "Logging"},
    {"interval", "Interval"}, {"ipversion", "IP Version"}, {"korvelcloudapikey", "API Key"},
};

std::string label_of(const std::string& key) {
    const auto base = base_labels.find(key);
    return base != base_labels.end() ? base->second : setting_label(key);
}

framework::validation_rules rules_of(const sensor_data_wrapper& data, const std::string& key,
                                     presence presence, const integer_limits& limits) {
    framework::validation_rules rules;
    rules.name = key;
    rules.label = label_of(key);
    rules.secret = data.is_secure(key);
    rules.required = presence == presence::required;
    rules.minimum = limits.minimum;
    rules.maximum = limits.maximum;
    return rules;
}

}  // namespace

std::string setting_key(std::string_view section, std::string_view setting) {
    std::string key(section);
    key.push_back('.');
    key.append(setting);
    return key;
}

std::string read_text(const sensor_data_wrapper& data, const std::string& key, presence presence,
                      const std::optional<std::string>& fallback, const integer_limits& length) {
    std::optional<std::string> value = data.get_setting(key);
    if (!value) value = fallback;
    return framework::kind_string::parse_and_validate(value, rules_of(data, key, presence, length));
}

std::string read_secure_text(const sensor_data_wrapper& data, const std::string& key, presence presence) {
    return framework::kind_securestring::parse_and_validate(data.get_setting(key),
                                                            rules_of(data, key, presence, {}));
}

std::optional<std::int64_t> read_integer(const sensor_data_wrapper& data, const std::string& key,
                                         presence presence, const integer_limits& limits) {
    return framework::kind_integer::parse_and_validate(data.get_setting(key),
                                                       rules_of(data, key, presence, limits));
}

std::int64_t read_required_integer(const sensor_data_wrapper& data, const std::string& key,
                                   const integer_limits& limits) {
    // The validator throws setting_not_available rather than return nothing for a required value.
    return *read_integer(data, key, presence::required, limits);
}

void reject_selection(const sensor_data_wrapper& data, const std::string& key, const std::string& text) {
    const auto rules = rules_of(data, key, presence::optional, {});
    const std::size_t dot = key.rfind('.');
    const std::string setting = dot == std::string::npos ? key : key.substr(dot + 1);
    throw libvexahelper::utils::exceptions::setting_selection_parse_error(
        libi18n::in_context{framework::setting_context(rules)}, framework::shown_value(text, rules), setting);
}

}  // namespace korvel::probekit::s7::settings
