#pragma once

#include <filesystem>

#include "host/cli/host_state.hpp"

namespace korvel::probekit::host {

// An absent file is an empty state; a file that is not a state document throws.
host_state load_state(const std::filesystem::path& file);

// Writes a temporary file next to it and renames it over the old one, so an interrupted run never
// leaves half a state behind.
void save_state(const host_state& state, const std::filesystem::path& file);

}  // namespace korvel::probekit::host
