#include "module/settings/setting_reader.hpp"

#include "framework/settings/validators.hpp"

namespace korvel::probekit::s7::settings {
namespace {

namespace framework = libvexahelper::settings;

framework::validation_rules rules_of(const std::string& key, presence presence, const integer_limits& limits) {
    framework::validation_rules rules;
    rules.name = key;
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
                      const std::optional<std::string>& fallback) {
    std::optional<std::string> value = data.get_setting(key);
    if (!value) value = fallback;
    return framework::kind_string::parse_and_validate(value, rules_of(key, presence, {}));
}

std::string read_secure_text(const sensor_data_wrapper& data, const std::string& key, presence presence) {
    return framework::kind_securestring::parse_and_validate(data.get_setting(key), rules_of(key, presence, {}));
}

std::optional<std::int64_t> read_integer(const sensor_data_wrapper& data, const std::string& key, presence presence,
                                         const integer_limits& limits) {
    return framework::kind_integer::parse_and_validate(data.get_setting(key), rules_of(key, presence, limits));
}

std::int64_t read_required_integer(const sensor_data_wrapper& data, const std::string& key,
                                   const integer_limits& limits) {
    // The validator throws setting_not_available rather than return nothing for a required value.
    return *read_integer(data, key, presence::required, limits);
}

}  // namespace korvel::probekit::s7::settings
