#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "framework/channels/dynamic_channel.hpp"
#include "framework/messaging/persistent_data.hpp"
#include "framework/responses/sensor_scan_result.hpp"
#include "framework/sensors/sensor_interface.hpp"
#include "framework/settings/channel_map.hpp"
#include "framework/settings/persistent_data_storage.hpp"
#include "liblog/log_interface.hpp"
#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"
#include "module/sensors/banners.hpp"
#include "module/sensors/message_sender.hpp"
#include "module/sensors/sensor_log.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::sensors {

// The common frame of every sensor: its log, its settings, channels and persistent values, and a
// scan that always answers the host, with an error result when the sensor's own work throws.
// Settings carries the shared base values as `base`.
template <typename Settings>
class sensor_base : public sensor_interface {
public:
    using settings_type = Settings;

    sensor_base(std::shared_ptr<module::service_container> container, int id, Settings settings,
                std::shared_ptr<settings::channel_map> channels, settings::persistent_data_storage persistent,
                std::string_view display_name)
        : sender_(std::move(container)),
          id_(id),
          settings_(std::move(settings)),
          channels_(std::move(channels)),
          persistent_(std::move(persistent)),
          log_(choose_sensor_log(*sender_.container(), id_, settings_.base.logging)),
          secrets_(settings_.base.secrets) {
        trace(banners::initializing);
        trace(display_name, " version is: ", banners::module_version, "\n");
    }

    ~sensor_base() override { trace(banners::cleaning_up); }

    int get_id() const override { return id_; }
    void log(int level, const std::string& message) override { log_->log(level, message); }
    void log(const std::string& message) override { log_->log(trace_level, message); }

    const messaging::secret_mask& secrets() const override { return secrets_; }

    std::chrono::seconds scan_timeout() const override {
        return std::chrono::seconds(settings_.base.timeout);
    }

    void scan(const libdeadline::deadline& deadline) override {
        trace(banners::enter_scan);
        deadline_ = deadline;
        try {
            do_scan();
        } catch (const libi18n::i18n_exception& error) {
            report(error);
        } catch (const std::exception& error) {
            report(error);
        }
        trace(banners::exit_scan);
    }

protected:
    static constexpr int trace_level = liblog::level::trace;

    virtual void do_scan() = 0;

    const Settings& sensor_settings() const { return settings_; }
    // The deadline of the scan in progress; do_scan runs only inside scan, which sets it.
    const libdeadline::deadline& scan_deadline() const { return *deadline_; }
    // A trace line of texts and integers, formatted only when the sensor's log takes it.
    template <typename... Parts>
    void trace(const Parts&... parts) const {
        liblog::write_line(*log_, trace_level, parts...);
    }
    liblog::log_interface& sensor_log() const { return *log_; }
    const std::shared_ptr<module::service_container>& container() const { return sender_.container(); }

    responses::sensor_scan_result make_result(libi18n::i18n_msg message,
                                              responses::scan_response_codes code) const {
        responses::sensor_scan_result result(id_, channels_);
        result.set_response_message(std::move(message));
        result.set_response_code(code);
        return result;
    }

    template <typename Exception>
    responses::sensor_scan_result make_error_result(const Exception& error, int error_code,
                                                    responses::scan_response_codes code) const {
        responses::sensor_scan_result result(id_, error);
        result.set_error_code(error_code);
        result.set_response_code(code);
        return result;
    }

    void send(const messaging::vexa_message& message) const { sender_.send(message); }

    // Writes and reports a value only when it changed, so the host's copy stays equal to ours.
    void set_persistent(const std::string& key, const std::string& value) {
        if (persistent_.exists(key) && persistent_.at(key) == value) return;
        persistent_[key] = value;
        send(messaging::persistent_data(id_, key, value));
    }

    std::optional<std::string> get_persistent(const std::string& key) const {
        return persistent_.at_opt(key);
    }
    const std::map<std::string, std::string>& persistent_values() const { return persistent_.values(); }

    // Registers the definition and announces it once, unless the settings block listed the channel id.
    void ensure_dynamic_channel(const channels::dynamic_channel_options& options) {
        if (!channels_) throw utils::exceptions::channel_map_not_initialized();
        if (!channels_->is_definition_registered(options)) channels_->register_definition(options);
        if (channels_->is_known_to_runtime(options.id)) return;
        send(channels::dynamic_channel(id_, options));
        channels_->mark_known_to_runtime(options.id, options.display.text());
    }

private:
    template <typename Exception>
    void report(const Exception& error) {
        trace(error.what());
        send(make_error_result(error, 0, responses::scan_response_codes::error));
    }

    message_sender sender_;
    int id_;
    Settings settings_;
    std::shared_ptr<settings::channel_map> channels_;
    settings::persistent_data_storage persistent_;
    std::shared_ptr<liblog::log_interface> log_;
    messaging::secret_mask secrets_;
    std::optional<libdeadline::deadline> deadline_;
};

}  // namespace korvel::probekit::libvexahelper::sensors
