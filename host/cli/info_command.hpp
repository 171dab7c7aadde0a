#pragma once

#include "host/cli/host_session.hpp"

namespace korvel::probekit::host {

// Shows the module, its sensors and check with their settings, and the languages of its Text table,
// translated into the session's language.
int info_command(const host_session& session);

}  // namespace korvel::probekit::host
