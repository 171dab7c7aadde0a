#include "host/cli/severity.hpp"

#include <algorithm>

namespace korvel::probekit::host {

severity worst(severity first, severity second) {
    return std::max(first, second);
}

severity severity_of_response_code(int response_code) {
    switch (response_code) {
        case 0:
            return severity::ok;
        case 1:
            return severity::warning;
        case 3:
            return severity::error;
        default:
            return severity::unknown;
    }
}

std::optional<severity> severity_of_lookup_state(std::string_view state) {
    if (state == "LookupValueStateOk") return severity::ok;
    if (state == "LookupValueStateWarning") return severity::warning;
    if (state == "LookupValueStateError") return severity::error;
    return std::nullopt;
}

int exit_status(severity state) {
    switch (state) {
        case severity::ok:
            return 0;
        case severity::warning:
            return 1;
        case severity::error:
            return 2;
        case severity::unknown:
            break;
    }
    return 3;
}

std::string severity_name(severity state) {
    switch (state) {
        case severity::ok:
            return "OK";
        case severity::warning:
            return "Warning";
        case severity::error:
            return "Error";
        case severity::unknown:
            break;
    }
    return "Unknown";
}

}  // namespace korvel::probekit::host
