#pragma once

#include <filesystem>
#include <nlohmann/json_fwd.hpp>
#include <string_view>

#include "simulators/s7web_api/scenario.hpp"
#include "simulators/s7web_api/scenario_error.hpp"

namespace korvel::probekit::simulators {

// What a scenario may hold, so a file cannot make the simulator huge or slow.
constexpr std::size_t max_scenario_bytes = 1024 * 1024;
constexpr std::size_t max_users = 16;
constexpr std::size_t max_diagnostic_entries = 3200;
constexpr std::size_t max_alarms = 5000;
constexpr std::size_t max_hardware_nodes = 4096;
constexpr std::size_t max_hardware_depth = 16;
constexpr std::size_t max_sessions_cap = 1000;

// The scenario a JSON document describes; throws scenario_error naming the member at fault.
s7web_scenario parse_scenario(const nlohmann::json& document);
// The same from JSON text.
s7web_scenario parse_scenario_text(std::string_view text);
// The same from a file; the error text starts with the file's name.
s7web_scenario load_scenario_file(const std::filesystem::path& file);

}  // namespace korvel::probekit::simulators
