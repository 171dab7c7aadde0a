#pragma once

#include <cstdint>
#include <string>

#include "module/module_instance.hpp"
#include "module/s7_module.h"

namespace korvel::probekit::s7 {

// The module class: fills the service container with the module's factories and registers the
// sensor and check kinds with the dispatcher under their descriptor names.
class VexaModuleS7 final : public libvexahelper::module::module_instance {
public:
    VexaModuleS7(std::uint64_t host_context, host_callback callback);
    std::string get_module_information() const override;
};

}  // namespace korvel::probekit::s7
