#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace korvel::probekit::host {

// The whole program for its arguments (without the program name): loads and initialises the module,
// runs the command, and returns the exit status (0 OK, 1 warning, 2 error, 3 unknown).
int run_host(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

}  // namespace korvel::probekit::host
