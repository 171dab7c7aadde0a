#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/cli/severity.hpp"

namespace korvel::probekit::host {

struct channel_row {
    int id = 0;
    std::string name;
    std::string value;
    std::optional<severity> state;  // none: no limits, no lookup state, or no value
};

// One scan result as the user sees it, translated.
struct scan_summary {
    bool failed = false;                 // an error_result: the scan has no values
    severity state = severity::unknown;  // worst of the result's own state and its channels'
    std::string message;
    std::vector<channel_row> channels;
};

}  // namespace korvel::probekit::host
