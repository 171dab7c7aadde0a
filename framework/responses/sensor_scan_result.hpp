#pragma once

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <variant>

#include "framework/messaging/vexa_message.hpp"
#include "framework/settings/channel_map.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libvexahelper::responses {

// State of a scan as the host shows it.
enum class scan_response_codes : int {
    ok = 0,
    warning = 1,
    unknown = 2,
    error = 3,
};

// One scan's answer: channel values with a message, or (built from an exception) an error result.
class sensor_scan_result final : public messaging::vexa_message {
public:
    sensor_scan_result(int sensor_id, std::shared_ptr<settings::channel_map> channels);
    sensor_scan_result(int sensor_id, const std::exception& error);
    sensor_scan_result(int sensor_id, const libi18n::i18n_exception& error);

    void set_value(int channel, double value);
    void set_value(int channel, std::int64_t value);
    void set_error_code(int code) { error_code_ = code; }
    void set_response_code(scan_response_codes code) { response_code_ = code; }
    void set_response_message(libi18n::i18n_msg message) { message_ = std::move(message); }

    bool is_error() const { return is_error_; }
    const std::map<int, std::variant<std::int64_t, double>>& values() const { return values_; }
    void serialize(std::string& out) const override;

private:
    int sensor_id_;
    std::shared_ptr<settings::channel_map> channels_;
    bool is_error_ = false;
    int error_code_ = 0;
    scan_response_codes response_code_ = scan_response_codes::ok;
    libi18n::i18n_msg message_;
    std::map<int, std::variant<std::int64_t, double>> values_;
};

}  // namespace korvel::probekit::libvexahelper::responses
