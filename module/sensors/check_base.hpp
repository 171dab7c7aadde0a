#pragma once

#include <memory>
#include <string>

#include "framework/checks/check_interface.hpp"
#include "liblog/log_interface.hpp"
#include "liblog/log_levels.hpp"
#include "module/sensors/message_sender.hpp"
#include "module/sensors/sensor_log.hpp"

namespace korvel::probekit::libvexahelper::checks {

// The common frame of a check: it lives for one ExecuteCheck, builds its check_result and sends it.
// Settings carries the shared base values as `base`.
template <typename Settings>
class check_base : public check_interface {
public:
    using settings_type = Settings;

    check_base(std::shared_ptr<module::service_container> container, int id, Settings settings)
        : id_(id),
          sender_(std::move(container)),
          settings_(std::move(settings)),
          log_(sensors::choose_sensor_log(*sender_.container(), id_, settings_.base.logging)) {}

    int get_id() const override { return id_; }
    void log(const std::string& message) override { log_->log(trace_level, message); }
    void log(int level, const std::string& message) override { log_->log(level, message); }

protected:
    static constexpr int trace_level = liblog::level::trace;

    const Settings& check_settings() const { return settings_; }
    const std::shared_ptr<module::service_container>& container() const { return sender_.container(); }
    void send(const messaging::vexa_message& message) const { sender_.send(message); }

private:
    int id_;
    sensors::message_sender sender_;
    Settings settings_;
    std::shared_ptr<liblog::log_interface> log_;
};

}  // namespace korvel::probekit::libvexahelper::checks
