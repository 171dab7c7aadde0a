#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The operating mode and mode selector texts of an S7-1200/1500 CPU as values of the descriptor's
// lookups operating_mode_s7web and mode_selector.
namespace korvel::probekit::s7 {

// "run" 1, "stop" 2, ... "unknown" 10; any other text 0 (no_value).
std::int64_t operating_mode_value(std::string_view text);

// "run" 1, "stop" 2, "no_switch" 3, "unknown" 4; any other text 0 (channel_value_unknown).
std::int64_t mode_selector_value(std::string_view text);

// The mode as the scan message shows it: upper case, blanks for underscores ("RUN REDUNDANT").
std::string displayed_operating_mode(std::string_view text);

}  // namespace korvel::probekit::s7
