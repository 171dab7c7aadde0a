#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace korvel::probekit::libvexahelper::settings {

struct validation_rules {
    std::string name;     // the setting's key
    std::string label;    // what the user sees the setting called; may be empty
    bool secret = false;  // the value is never quoted in an error
    bool required = false;
    std::optional<std::int64_t> minimum;
    std::optional<std::int64_t> maximum;
};

// Every error names the setting in front of the catalogue's text ("Setting "Rack"
// (connection_section.rack): Setting value 9 is bigger than the allowed value of 7."), and quotes a
// secret value as "***".
std::string setting_context(const validation_rules& rules);
std::string shown_value(const std::string& value, const validation_rules& rules);

// Each validator takes the value as the block holds it (absent: nullopt). A missing required value
// throws utils::exceptions::setting_not_available; a value outside its limits throws the
// utils exception with key setting_invalid_less_min / setting_invalid_bigger_max; a text that is
// not an integer throws the one with key setting_invalid.
//
// kind_string and kind_securestring: an absent optional text gives ""; an empty text is a value.
// `minimum`, when set, is the shortest allowed length in bytes: a shorter text counts as missing;
// `maximum`, when set, the longest (key string_too_long).
// kind_integer: the whole text must be the number (an optional "-" and decimal digits, no blanks,
// no "+"); an empty text counts as absent.
struct kind_string {
    static std::string parse_and_validate(const std::optional<std::string>& text,
                                          const validation_rules& rules);
};

struct kind_securestring {
    static std::string parse_and_validate(const std::optional<std::string>& text,
                                          const validation_rules& rules);
};

struct kind_integer {
    static std::optional<std::int64_t> parse_and_validate(const std::optional<std::string>& text,
                                                          const validation_rules& rules);
};

}  // namespace korvel::probekit::libvexahelper::settings
