#include "host/cli/severity.hpp"

#include <algorithm>
#include <cctype>

namespace korvel::probekit::host {

severity worst(severity first, severity second) {
    return std::max(first, second);
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

std::string severity_word(severity state) {
    std::string word = severity_name(state);
    std::ranges::transform(word, word.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return word;
}

std::string plugin_state(severity state) {
    switch (state) {
        case severity::ok:
            return "OK";
        case severity::warning:
            return "WARNING";
        case severity::error:
            return "CRITICAL";
        case severity::unknown:
            break;
    }
    return "UNKNOWN";
}

}  // namespace korvel::probekit::host
