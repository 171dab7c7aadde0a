#include "host/cli/lookup_entry.hpp"

namespace korvel::probekit::host {

std::optional<lookup_entry> find_lookup_entry(const json& descriptor, const std::string& lookup,
                                              std::int64_t value) {
    const auto lookups = descriptor.find("Lookups");
    if (lookups == descriptor.end() || !lookups->contains(lookup)) return std::nullopt;
    for (const auto& entry : lookups->at(lookup).at("LookupValues")) {
        if (entry.at("Value").get<std::int64_t>() != value) continue;
        return lookup_entry{"lookup." + lookup + "." + std::to_string(value), entry.value("Display", ""),
                            severity_of_lookup_state(entry.value("State", ""))};
    }
    return std::nullopt;
}

}  // namespace korvel::probekit::host
