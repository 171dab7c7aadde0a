#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "framework/messaging/vexa_message.hpp"

namespace korvel::probekit::libvexahelper::messaging {

// A log line for the host to write where its user can read it: the runtime log has no sensor id,
// a sensor's log carries its id. Built and sent at once, so it only refers to the text.
class log_message final : public vexa_message {
public:
    log_message(std::optional<int> sensor_id, int level, std::string_view text);
    void serialize(std::string& out) const override;

private:
    std::optional<int> sensor_id_;
    int level_;
    std::string_view text_;
};

}  // namespace korvel::probekit::libvexahelper::messaging
