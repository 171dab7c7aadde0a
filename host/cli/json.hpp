#pragma once

#include <nlohmann/json.hpp>

namespace korvel::probekit::host {

// Ordered, so the descriptor's sensors, sections and settings keep the order the module wrote them in.
using json = nlohmann::ordered_json;

}  // namespace korvel::probekit::host
