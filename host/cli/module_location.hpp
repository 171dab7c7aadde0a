#pragma once

#include <filesystem>

namespace korvel::probekit::host {

// The module of the build layout: <directory of this executable>/../module/libs7module.so.
std::filesystem::path default_module_path();

}  // namespace korvel::probekit::host
