#include "framework/messaging/log_message.hpp"

#include "framework/messaging/wire_format.hpp"

namespace korvel::probekit::libvexahelper::messaging {

log_message::log_message(std::optional<int> sensor_id, int level, std::string text)
    : sensor_id_(sensor_id), level_(level), text_(std::move(text)) {}

std::vector<std::uint8_t> log_message::serialize() const {
    wire::document message = wire::make_document("log");
    if (sensor_id_) message["sensor_id"] = *sensor_id_;
    message["level"] = level_;
    message["text"] = text_;
    return wire::to_bytes(message);
}

}  // namespace korvel::probekit::libvexahelper::messaging
