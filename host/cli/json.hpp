#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

namespace korvel::probekit::host {

// Ordered, so the descriptor's sensors, sections and settings keep the order the module wrote them in.
using json = nlohmann::ordered_json;

// A member read the way a host reads a message it did not write: a member that is absent or of
// another type reads as the fallback instead of throwing.
inline std::string text_member(const json& object, const char* name, const std::string& fallback = {}) {
    if (!object.is_object()) return fallback;
    const auto found = object.find(name);
    return found != object.end() && found->is_string() ? found->get<std::string>() : fallback;
}

inline std::optional<std::int64_t> integer_member(const json& object, const char* name) {
    if (!object.is_object()) return std::nullopt;
    const auto found = object.find(name);
    if (found == object.end() || !found->is_number_integer()) return std::nullopt;
    return found->get<std::int64_t>();
}

}  // namespace korvel::probekit::host
