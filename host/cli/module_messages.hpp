#pragma once

#include <ostream>
#include <vector>

#include "host/cli/json.hpp"
#include "host/cli/log_writer.hpp"
#include "host/harness/module_library.hpp"

namespace korvel::probekit::host {

// Takes the messages the module sent since the last call. Each is printed as sent, one per line,
// when raw_out is given; log messages go to the log writer; the others are returned parsed, in
// arrival order.
std::vector<json> collect_messages(module_library& module, const log_writer& logs, std::ostream* raw_out);

}  // namespace korvel::probekit::host
