#include "framework/responses/sensor_scan_result.hpp"

#include "framework/channels/dynamic_channel_options.hpp"
#include "framework/messaging/json_writer.hpp"
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

void sensor_scan_result::serialize(std::string& out) const {
    messaging::wire::json_writer json(out);
    json.begin_message(is_error_ ? "error_result" : "scan_result")
        .key("sensor_id")
        .value(sensor_id_)
        .key("response_code")
        .value(static_cast<int>(response_code_))
        .key("error_code")
        .value(error_code_)
        .key("message")
        .value(message_);
    if (!is_error_) {
        // Each value names its kind, so 2 and 2.0 stay apart whatever the host's JSON reader does with
        // numbers.
        json.key("channels").begin_array();
        for (const auto& [channel, value] : values_) {
            json.begin_object().key("id").value(channel);
            if (const auto* integer = std::get_if<std::int64_t>(&value)) {
                json.key("kind").value(static_cast<int>(channels::value_kind::integer)).key("value").value(*integer);
            } else {
                json.key("kind")
                    .value(static_cast<int>(channels::value_kind::floating_point))
                    .key("value")
                    .value(std::get<double>(value));
            }
            json.end_object();
        }
        json.end_array();
    }
    json.end_object();
}

}  // namespace korvel::probekit::libvexahelper::responses
