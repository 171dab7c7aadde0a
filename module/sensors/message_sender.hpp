#pragma once

#include <memory>

#include "framework/messaging/message_service.hpp"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::sensors {

// Sends through the container's message service, obtained at each send so the service's lifetime
// stays with the container.
class message_sender {
public:
    explicit message_sender(std::shared_ptr<module::service_container> container) : container_(std::move(container)) {}

    void send(const messaging::vexa_message& message) const {
        container_->get<messaging::message_service_interface>()->send(message);
    }
    const std::shared_ptr<module::service_container>& container() const { return container_; }

private:
    std::shared_ptr<module::service_container> container_;
};

}  // namespace korvel::probekit::libvexahelper::sensors
