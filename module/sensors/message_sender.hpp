#pragma once

#include <memory>

#include "framework/messaging/message_service.hpp"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::sensors {

// Sends through the container's message service, looked up once: a scan's messages take neither the
// container's lock nor a reference count. The container registers the service before any sensor
// exists and outlives them all.
class message_sender {
public:
    explicit message_sender(std::shared_ptr<module::service_container> container)
        : container_(std::move(container)), service_(container_->get<messaging::message_service_interface>()) {}

    void send(const messaging::vexa_message& message) const { service_->send(message); }
    const std::shared_ptr<module::service_container>& container() const { return container_; }

private:
    std::shared_ptr<module::service_container> container_;
    std::shared_ptr<messaging::message_service_interface> service_;
};

}  // namespace korvel::probekit::libvexahelper::sensors
