#pragma once

// A result's or channel's state and the words each audience reads it in.

#include <string>

namespace korvel::probekit::host {

// In rising order of severity: a result the module cannot vouch for ranks above a warning, an error
// above everything.
enum class severity { ok, warning, unknown, error };

severity worst(severity first, severity second);

// Monitoring-plugin exit status: 0 ok, 1 warning, 2 error, 3 unknown.
int exit_status(severity state);

// "OK", "Warning", "Error", "Unknown": for people.
std::string severity_name(severity state);
// "ok", "warning", "error", "unknown": for programs.
std::string severity_word(severity state);
// "OK", "WARNING", "CRITICAL", "UNKNOWN": the plugin convention's words for the exit status.
std::string plugin_state(severity state);

}  // namespace korvel::probekit::host
