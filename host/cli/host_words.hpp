#pragma once

// s7host's own words in a table for people (headings, state names), in the user's language: the
// descriptor translates the module's texts only.

#include <string>

#include "host/cli/severity.hpp"

namespace korvel::probekit::host {

enum class host_word { channel, value, state, message, at, scan, name, key, unit, limits };

// The word in the descriptor's language name ("German"); English for a language s7host lacks.
std::string host_text(host_word word, const std::string& language);

// "OK", "Warning", "Error", "Unknown" in the language.
std::string severity_text(severity state, const std::string& language);

}  // namespace korvel::probekit::host
