#pragma once

#include <ostream>
#include <string>

#include "host/cli/scan_summary.hpp"

namespace korvel::probekit::host {

// A headline "<title>: <state>", the module's message, then a table of the channels' names, values and
// states.
void print_scan_summary(const scan_summary& summary, const std::string& title, std::ostream& out);

}  // namespace korvel::probekit::host
