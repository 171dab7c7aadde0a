#include "host/cli/module_location.hpp"

namespace korvel::probekit::host {

std::filesystem::path default_module_path() {
    const auto executable = std::filesystem::read_symlink("/proc/self/exe");
    return (executable.parent_path() / ".." / "module" / "libs7module.so").lexically_normal();
}

}  // namespace korvel::probekit::host
