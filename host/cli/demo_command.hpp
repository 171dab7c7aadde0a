#pragma once

#include <filesystem>

#include "host/cli/host_session.hpp"

namespace korvel::probekit::host {

// The main job: starts a simulated S7-300 CPU on 127.0.0.1 inside this process and runs the three
// S7-300/400 sensors against it through the module, showing their channels. The CPU is switched
// from RUN to STOP between two CPU status scans. Returns 0 when every scan produced a result.
int demo_command(const host_session& session, const std::filesystem::path& state_file);

}  // namespace korvel::probekit::host
