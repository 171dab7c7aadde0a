#pragma once

#include <ostream>

#include "host/cli/json.hpp"
#include "host/cli/log_writer.hpp"
#include "host/cli/translator.hpp"
#include "host/harness/module_library.hpp"

namespace korvel::probekit::host {

// What every command works with: the initialised module, its descriptor, the user's language, the
// log destination and the output streams.
struct host_session {
    module_library& module;
    const json& descriptor;
    const translator& texts;
    const log_writer& logs;
    std::ostream& out;
    std::ostream& err;
};

}  // namespace korvel::probekit::host
