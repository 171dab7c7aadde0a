#include "framework/responses/sensor_scan_result.hpp"

#include "framework/channels/dynamic_channel_options.hpp"
#include "framework/messaging/wire_format.hpp"
#include "framework/responses/error_message.hpp"

namespace korvel::probekit::libvexahelper::responses {

sensor_scan_result::sensor_scan_result(int sensor_id, std::shared_ptr<settings::channel_map> channels)
    : sensor_id_(sensor_id), channels_(std::move(channels)) {}

sensor_scan_result::sensor_scan_result(int sensor_id, const std::exception& error)
    : sensor_id_(sensor_id),
      is_error_(true),
      response_code_(scan_response_codes::error),
      message_(error_message(error)) {}

sensor_scan_result::sensor_scan_result(int sensor_id, const libi18n::i18n_exception& error)
    : sensor_id_(sensor_id),
      is_error_(true),
      response_code_(scan_response_codes::error),
      message_(error.get_message()) {}

void sensor_scan_result::set_value(int channel, double value) {
    values_.insert_or_assign(channel, value);
}

void sensor_scan_result::set_value(int channel, std::int64_t value) {
    values_.insert_or_assign(channel, value);
}

std::vector<std::uint8_t> sensor_scan_result::serialize() const {
    namespace wire = messaging::wire;
    wire::document message = wire::make_document(is_error_ ? "error_result" : "scan_result");
    message["sensor_id"] = sensor_id_;
    message["response_code"] = static_cast<int>(response_code_);
    message["error_code"] = error_code_;
    message["message"] = wire::localisable(message_);
    if (!is_error_) {
        // Each value names its kind, so 2 and 2.0 stay apart whatever the host's JSON reader does with
        // numbers.
        wire::document channels = wire::document::array();
        for (const auto& [channel, value] : values_) {
            wire::document entry = wire::document::object();
            entry["id"] = channel;
            if (const auto* integer = std::get_if<std::int64_t>(&value)) {
                entry["kind"] = channels::value_kind::integer;
                entry["value"] = *integer;
            } else {
                entry["kind"] = channels::value_kind::floating_point;
                entry["value"] = std::get<double>(value);
            }
            channels.push_back(std::move(entry));
        }
        message["channels"] = std::move(channels);
    }
    return wire::to_bytes(message);
}

}  // namespace korvel::probekit::libvexahelper::responses
