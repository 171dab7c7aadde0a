#include "module/module_instance.hpp"

#include "framework/messaging/message_service.hpp"

namespace korvel::probekit::libvexahelper::module {

module_instance::module_instance(std::uint64_t host_context, host_callback callback)
    : host_context_(host_context),
      container_(std::make_shared<service_container>()),
      dispatcher_(std::make_shared<sensor_dispatcher>(container_)) {
    container_->add_factory(std::function<std::unique_ptr<messaging::message_service_interface>()>(
        [context = host_context_, callback] {
            return std::make_unique<messaging::message_service>(
                [context, callback](const void* bytes, unsigned size) { callback(context, bytes, size); });
        }));
}

module_instance::~module_instance() = default;

}  // namespace korvel::probekit::libvexahelper::module
