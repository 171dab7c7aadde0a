#pragma once

#include <filesystem>

#include "host/cli/command_line.hpp"
#include "host/cli/host_session.hpp"

namespace korvel::probekit::host {

// Creates the sensor, scans it the requested number of times, destroys it, and keeps the state file
// up to date after every call. Returns the exit status of the last scan.
int scan_command(const host_session& session, const std::filesystem::path& state_file,
                 const scan_options& options);

}  // namespace korvel::probekit::host
