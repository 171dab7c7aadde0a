#pragma once

#include "host/cli/command_line.hpp"
#include "host/cli/host_session.hpp"

namespace korvel::probekit::host {

// Runs the check once; 0 when it succeeded, 2 when it failed, 3 when the module ran no check.
int check_command(const host_session& session, const check_options& options);

}  // namespace korvel::probekit::host
