#pragma once

#include "framework/channels/dynamic_channel_options.hpp"
#include "framework/messaging/vexa_message.hpp"

namespace korvel::probekit::libvexahelper::channels {

// Announces a channel definition the host does not know yet.
class dynamic_channel final : public messaging::vexa_message {
public:
    dynamic_channel(int sensor_id, dynamic_channel_options options);
    void serialize(std::string& out) const override;

private:
    int sensor_id_;
    dynamic_channel_options options_;
};

}  // namespace korvel::probekit::libvexahelper::channels
