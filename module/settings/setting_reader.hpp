#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "framework/settings/sensor_data_wrapper.hpp"

namespace korvel::probekit::s7::settings {

using libvexahelper::settings::sensor_data_wrapper;

enum class presence { optional, required };

struct integer_limits {
    std::optional<std::int64_t> minimum;
    std::optional<std::int64_t> maximum;
};

// "section.setting", the form in which the host passes grouped values.
std::string setting_key(std::string_view section, std::string_view setting);

// An absent optional value is replaced by the fallback (the descriptor's default) where one is given.
std::string read_text(const sensor_data_wrapper& data, const std::string& key, presence presence,
                      const std::optional<std::string>& fallback = std::nullopt);
std::string read_secure_text(const sensor_data_wrapper& data, const std::string& key, presence presence);
std::optional<std::int64_t> read_integer(const sensor_data_wrapper& data, const std::string& key, presence presence,
                                         const integer_limits& limits = {});
// For settings that must be present: the value itself.
std::int64_t read_required_integer(const sensor_data_wrapper& data, const std::string& key,
                                   const integer_limits& limits = {});

}  // namespace korvel::probekit::s7::settings
