#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvel::probekit::host {

// A sensor's or channel's state, in rising order of severity: the order of the module's scan
// response codes, so a result the module cannot vouch for ranks above a warning.
enum class severity { ok, warning, unknown, error };

severity worst(severity first, severity second);

// Scan response_code: 0 ok, 1 warning, 2 unknown, 3 error; any other code is unknown.
severity severity_of_response_code(int response_code);

// Descriptor lookup states; "LookupValueStateNone" (and anything else) is neutral and has none.
std::optional<severity> severity_of_lookup_state(std::string_view state);

// Monitoring-plugin exit status: 0 ok, 1 warning, 2 error, 3 unknown.
int exit_status(severity state);

std::string severity_name(severity state);

}  // namespace korvel::probekit::host
