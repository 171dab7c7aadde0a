#include "framework/messaging/persistent_data.hpp"

#include "framework/messaging/wire_format.hpp"

namespace korvel::probekit::libvexahelper::messaging {

persistent_data::persistent_data(int sensor_id, std::string key, std::string value)
    : sensor_id_(sensor_id), key_(std::move(key)), value_(std::move(value)) {}

std::vector<std::uint8_t> persistent_data::serialize() const {
    wire::document message = wire::make_document("persistent_data");
    message["sensor_id"] = sensor_id_;
    message["key"] = key_;
    message["value"] = value_;
    return wire::to_bytes(message);
}

}  // namespace korvel::probekit::libvexahelper::messaging
