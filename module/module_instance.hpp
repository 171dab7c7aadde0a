#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "framework/module/sensor_dispatcher.hpp"
#include "module/s7_module.h"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::module {

// The single module object behind the exports: owns the service container and the dispatcher,
// and makes the container's message service deliver to the host callback.
class module_instance {
public:
    module_instance(std::uint64_t host_context, host_callback callback);
    virtual ~module_instance();
    module_instance(const module_instance&) = delete;
    module_instance& operator=(const module_instance&) = delete;

    // The module descriptor as JSON text.
    virtual std::string get_module_information() const = 0;

    const std::shared_ptr<service_container>& container() const { return container_; }
    const std::shared_ptr<sensor_dispatcher>& dispatcher() const { return dispatcher_; }

private:
    std::uint64_t host_context_;
    std::shared_ptr<service_container> container_;
    std::shared_ptr<sensor_dispatcher> dispatcher_;
};

}  // namespace korvel::probekit::libvexahelper::module
