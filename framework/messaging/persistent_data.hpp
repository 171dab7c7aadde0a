#pragma once

#include <string>

#include "framework/messaging/vexa_message.hpp"

namespace korvel::probekit::libvexahelper::messaging {

// One changed persistent value; the host stores it and returns it with the next settings block.
class persistent_data final : public vexa_message {
public:
    persistent_data(int sensor_id, std::string key, std::string value);
    void serialize(std::string& out) const override;

private:
    int sensor_id_;
    std::string key_;
    std::string value_;
};

}  // namespace korvel::probekit::libvexahelper::messaging
