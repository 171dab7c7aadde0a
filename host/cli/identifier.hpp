#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::probekit::host {

// A localisable message's identifier "#:key[arg,arg]" split into its text key and unescaped arguments.
struct decoded_identifier {
    std::string key;
    std::vector<std::string> arguments;

    bool operator==(const decoded_identifier&) const = default;
};

// Nothing for a literal identifier (no "#:") or one that does not follow the form; the caller then
// shows the message's English text. "[]" reads as one empty argument: the wire form cannot tell it
// from no arguments, and a text without placeholders ignores it either way.
std::optional<decoded_identifier> decode_identifier(std::string_view identifier);

}  // namespace korvel::probekit::host
