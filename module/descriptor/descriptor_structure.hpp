#pragma once

#include <string>
#include <string_view>

namespace korvel::probekit::s7 {

// The descriptor's structure (sensors, sections, groups, settings, lookups) as JSON text, compiled in.
extern const std::string_view descriptor_structure;

// The English label of a grouped setting ("connection_section.rack" → "Rack"), from the structure;
// empty for a key the structure does not define.
const std::string& setting_label(const std::string& key);

}  // namespace korvel::probekit::s7
