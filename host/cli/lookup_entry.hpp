#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "host/cli/json.hpp"
#include "host/cli/severity.hpp"

namespace korvel::probekit::host {

// What a lookup channel's integer value stands for.
struct lookup_entry {
    std::string text_key;           // "lookup.<lookup>.<value>"
    std::string display;            // English, from the descriptor
    std::optional<severity> state;  // none for a neutral entry
};

// The entry of the descriptor's lookup for that value; nothing when the lookup or value is not listed.
std::optional<lookup_entry> find_lookup_entry(const json& descriptor, const std::string& lookup,
                                              std::int64_t value);

}  // namespace korvel::probekit::host
