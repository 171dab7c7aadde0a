#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libvexahelper::channels {

// Numeric codes on the wire (docs/host-protocol.md).
namespace value_kind {
inline constexpr int integer = 1;
inline constexpr int floating_point = 3;
}  // namespace value_kind

namespace unit {
inline constexpr int none = 0;
inline constexpr int percent = 5;
inline constexpr int milliseconds = 6;
inline constexpr int count = 10;
}  // namespace unit

struct limit_slot {
    bool is_set = false;
    double value = 0.0;

    bool operator==(const limit_slot&) const = default;
};

// A channel definition. The four limit slots, numbered 1 to 4 in array order, mean:
//   1 warning raised when the value reaches it (>=),
//   2 warning raised when the value exceeds it (>),
//   3 warning released only when the value falls below it again (hysteresis for slot 1),
//   4 error when the value reaches it (>=).
struct dynamic_channel_options {
    int id = 0;
    // The channel's text key ("channel.<name>"), stable even where the display text is built from
    // another message (a LED the module has no name for).
    std::string key;
    libi18n::i18n_msg display;
    int kind = value_kind::integer;
    int unit = unit::none;
    std::string lookup;
    bool limit_mode = false;
    std::array<limit_slot, 4> limits{};
    double factor = 1.0;
    std::string custom_unit;
    std::string value_prefix;
    std::string value_suffix;
    std::int32_t decimal_places = 0;
    std::int32_t display_flags = 0;
    std::int32_t chart_flags = 0;

    bool operator==(const dynamic_channel_options&) const = default;
};

}  // namespace korvel::probekit::libvexahelper::channels
