#include "module/vexa_module_s7.hpp"

#include "module/descriptor/module_descriptor.hpp"

namespace korvel::probekit::s7 {

VexaModuleS7::VexaModuleS7(std::uint64_t host_context, host_callback callback)
    : module_instance(host_context, callback) {
    // Assembled here so a broken descriptor fails initialisation instead of a later call.
    module_descriptor();
}

std::string VexaModuleS7::get_module_information() const { return module_descriptor(); }

}  // namespace korvel::probekit::s7
