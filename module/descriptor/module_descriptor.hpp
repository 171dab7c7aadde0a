#pragma once

#include <string>

namespace korvel::probekit::s7 {

// The module descriptor JSON text, assembled once from the data files compiled into the library.
const std::string& module_descriptor();

}  // namespace korvel::probekit::s7
