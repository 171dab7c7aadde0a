#include "framework/settings/validators.hpp"

#include <charconv>
#include <string_view>

#include "libi18n/error_keys.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::settings {
namespace {

namespace keys = libi18n::error_keys::libvexahelper;

[[noreturn]] void reject(const libi18n::message_key& key, const validation_rules& rules,
                         const std::string& value, const std::string& detail) {
    throw utils::exceptions::exception(
        libi18n::make_msg(key, shown_value(value, rules), detail).with_context(setting_context(rules)));
}

[[noreturn]] void missing(const validation_rules& rules) {
    throw utils::exceptions::setting_not_available(libi18n::in_context{setting_context(rules)}, rules.name);
}

// Texts are checked for their length only.
std::string validate_text(const std::optional<std::string>& text, const validation_rules& rules) {
    const bool too_short = text && rules.minimum && static_cast<std::int64_t>(text->size()) < *rules.minimum;
    if (!text || too_short) {
        if (rules.required || too_short) missing(rules);
        return std::string();
    }
    if (rules.maximum && static_cast<std::int64_t>(text->size()) > *rules.maximum) {
        throw utils::exceptions::exception(libi18n::make_msg(keys::string_too_long, rules.name,
                                                             std::to_string(text->size()),
                                                             std::to_string(*rules.maximum))
                                               .with_context(setting_context(rules)));
    }
    return *text;
}

// The whole text must be the number: an optional "-" and decimal digits, nothing before or after.
std::int64_t parse_integer(const std::string& text, const validation_rules& rules) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error == std::errc::result_out_of_range) {
        reject(keys::setting_invalid, rules, text, "The value is outside the range of a 64-bit integer.");
    }
    if (error != std::errc() || stop != end)
        reject(keys::setting_invalid, rules, text, "The value is not an integer.");
    return value;
}

}  // namespace

std::string setting_context(const validation_rules& rules) {
    if (rules.label.empty()) return "Setting " + rules.name + ": ";
    return "Setting \"" + rules.label + "\" (" + rules.name + "): ";
}

std::string shown_value(const std::string& value, const validation_rules& rules) {
    return rules.secret ? std::string("***") : value;
}

std::string kind_string::parse_and_validate(const std::optional<std::string>& text,
                                            const validation_rules& rules) {
    return validate_text(text, rules);
}

std::string kind_securestring::parse_and_validate(const std::optional<std::string>& text,
                                                  const validation_rules& rules) {
    return validate_text(text, rules);
}

std::optional<std::int64_t> kind_integer::parse_and_validate(const std::optional<std::string>& text,
                                                             const validation_rules& rules) {
    // A host form leaves an unset number empty; that is the same as no value.
    if (!text || text->empty()) {
        if (rules.required) missing(rules);
        return std::nullopt;
    }
    const std::int64_t value = parse_integer(*text, rules);
    if (rules.minimum && value < *rules.minimum) {
        reject(keys::setting_invalid_less_min, rules, std::to_string(value), std::to_string(*rules.minimum));
    }
    if (rules.maximum && value > *rules.maximum) {
        reject(keys::setting_invalid_bigger_max, rules, std::to_string(value),
               std::to_string(*rules.maximum));
    }
    return value;
}

}  // namespace korvel::probekit::libvexahelper::settings
