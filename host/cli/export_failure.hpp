#pragma once

#include <string>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

// Why CreateSensorInstance returned this code, for a code without a message from the module.
std::string creation_failure_text(int code, const std::string& kind, int id, const json& descriptor);

// Why ExecuteCheck returned this code without a check_result.
std::string check_failure_text(int code, const std::string& kind, const json& descriptor);

}  // namespace korvel::probekit::host
