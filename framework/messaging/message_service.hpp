#pragma once

#include <functional>

#include "framework/messaging/vexa_message.hpp"

namespace korvel::probekit::libvexahelper::messaging {

class message_service_interface {
public:
    virtual ~message_service_interface() = default;
    virtual void send(const vexa_message& message) = 0;
};

// Serialises each message and hands its bytes to the sink (the host callback), one call per message.
class message_service final : public message_service_interface {
public:
    using sink = std::function<void(const void* bytes, unsigned size)>;

    explicit message_service(sink deliver);
    void send(const vexa_message& message) override;

private:
    sink deliver_;
};

}  // namespace korvel::probekit::libvexahelper::messaging
