#include "framework/messaging/persistent_data.hpp"

#include "framework/messaging/json_writer.hpp"

namespace korvel::probekit::libvexahelper::messaging {

persistent_data::persistent_data(int sensor_id, std::string key, std::string value)
    : sensor_id_(sensor_id), key_(std::move(key)), value_(std::move(value)) {}

void persistent_data::serialize(std::string& out) const {
    wire::json_writer(out)
        .begin_message("persistent_data")
        .key("sensor_id")
        .value(sensor_id_)
        .key("key")
        .value(key_)
        .key("value")
        .value(value_)
        .end_object();
}

}  // namespace korvel::probekit::libvexahelper::messaging
