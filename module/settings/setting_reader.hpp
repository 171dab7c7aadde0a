#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/settings/sensor_data_wrapper.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::s7::settings {

using libvexahelper::settings::sensor_data_wrapper;

enum class presence { optional, required };

struct integer_limits {
    std::optional<std::int64_t> minimum;
    std::optional<std::int64_t> maximum;
};

// "section.setting", the form in which the host passes grouped values.
std::string setting_key(std::string_view section, std::string_view setting);

// Every error of these readers names the setting (key and label) and never quotes a value the host
// marks secret. An absent optional value is replaced by the fallback (the descriptor's default) where
// one is given; `length` bounds a text's length in bytes (a shorter one counts as missing).
std::string read_text(const sensor_data_wrapper& data, const std::string& key, presence presence,
                      const std::optional<std::string>& fallback = std::nullopt,
                      const integer_limits& length = {});
std::string read_secure_text(const sensor_data_wrapper& data, const std::string& key, presence presence);
std::optional<std::int64_t> read_integer(const sensor_data_wrapper& data, const std::string& key,
                                         presence presence, const integer_limits& limits = {});
// For settings that must be present: the value itself.
std::int64_t read_required_integer(const sensor_data_wrapper& data, const std::string& key,
                                   const integer_limits& limits = {});

// Throws setting_selection_parse_error for a text outside the setting's selection.
[[noreturn]] void reject_selection(const sensor_data_wrapper& data, const std::string& key,
                                   const std::string& text);

// A selection value read as text (or its fallback) and passed through its parser.
template <typename Parser>
auto read_selection(const sensor_data_wrapper& data, const std::string& key, const std::string& fallback,
                    Parser parse) {
    const std::string text = read_text(data, key, presence::optional, fallback);
    try {
        return parse(text);
    } catch (const libvexahelper::utils::exceptions::setting_selection_parse_error&) {
        reject_selection(data, key, text);
    }
}

}  // namespace korvel::probekit::s7::settings
