#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "host/harness/module_library.hpp"

namespace korvel::probekit::host {

// Shows the module, its sensors and checks from the descriptor.
int info_command(module_library& module, const std::vector<std::string>& arguments, std::ostream& out);

}  // namespace korvel::probekit::host
