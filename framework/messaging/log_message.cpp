#include "framework/messaging/log_message.hpp"

#include "framework/messaging/json_writer.hpp"

namespace korvel::probekit::libvexahelper::messaging {

log_message::log_message(std::optional<int> sensor_id, int level, std::string_view text)
    : sensor_id_(sensor_id), level_(level), text_(text) {}

void log_message::serialize(std::string& out) const {
    wire::json_writer json(out);
    json.begin_message("log");
    if (sensor_id_) json.key("sensor_id").value(*sensor_id_);
    json.key("level").value(level_).key("text").value(text_).end_object();
}

}  // namespace korvel::probekit::libvexahelper::messaging
