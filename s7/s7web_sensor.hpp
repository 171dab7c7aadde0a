#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"
#include "liblog/null_logger.hpp"
#include "module/sensors/sensor_base.hpp"
#include "s7/answers_by_id.hpp"
#include "s7/persisted_values.hpp"
#include "s7/s7web/acquire_s7web_client.hpp"
#include "s7/s7web/request_batch.hpp"
#include "s7/s7web/s7web_client.hpp"

namespace korvel::probekit::s7 {

// The frame of the S7-1200/1500 sensors: the shared Web API client, acquired on the first scan and
// kept for the sensor's life, batches sent within the scan's deadline with the sensor's log, and
// channel ids for per-module channels that stay with their module through persistent data.
template <typename Settings>
class s7web_sensor : public libvexahelper::sensors::sensor_base<Settings> {
protected:
    using libvexahelper::sensors::sensor_base<Settings>::sensor_base;

    // Sends the batch on the client's session; the first call of a client probes the API. Of answers
    // that share an id only the first is kept (the others are logged), so every reader sees the same one.
    s7web::s7web_client::answers execute(s7web::request_batch batch) {
        if (!client_)
            client_ = s7web::acquire_s7web_client(*this->container(), this->sensor_settings().target());
        client_->ensure_api_supported(this->scan_deadline(), &this->sensor_log());
        return first_answer_per_id(
            client_->execute(std::move(batch), this->scan_deadline(), &this->sensor_log()),
            this->sensor_log());
    }

    // The channel id stored under `key`, or the next free one (from `first_id` up), stored under `key`
    // from now on. Ids once handed out are never handed out again. None once the sensor has handed out
    // max_module_channels ids: a device that names new modules on every scan must not grow the
    // sensor's channels and stored values without bound, so further modules get no channel and
    // nothing is stored for them (said once per sensor at warning level).
    std::optional<int> channel_id_for(const std::string& key, int first_id) {
        if (const auto stored =
                persisted_channel_id(key, this->get_persistent(key), first_id, this->sensor_log()))
            return *stored;
        const int id = next_free_channel_id(first_id);
        if (id - first_id >= max_module_channels) {
            if (!channel_cap_logged_) {
                channel_cap_logged_ = true;
                liblog::write_line(this->sensor_log(), liblog::level::warning, "The sensor holds ",
                                   max_module_channels,
                                   " module channels, its most; further modules get no channel and count "
                                   "in the totals only");
            }
            return std::nullopt;
        }
        this->set_persistent(key, std::to_string(id));
        this->set_persistent(next_channel_id_key, std::to_string(id + 1));
        return id;
    }

    static constexpr int max_module_channels = 1000;

private:
    static constexpr const char* next_channel_id_key = "next_channel_id";

    // The stored next id; when it is absent or cannot be read, one past the highest id stored for any
    // module, so an id a module holds is never handed out again.
    int next_free_channel_id(int first_id) {
        const auto stored_next = this->get_persistent(next_channel_id_key);
        if (const auto next =
                persisted_channel_id(next_channel_id_key, stored_next, first_id, this->sensor_log()))
            return *next;
        int next = first_id;
        liblog::null_logger quiet;
        for (const auto& [key, value] : this->persistent_values()) {
            if (key == next_channel_id_key) continue;
            if (const auto held = persisted_channel_id(key, value, first_id, quiet))
                next = std::max(next, *held + 1);
        }
        if (stored_next) {
            liblog::write_line(this->sensor_log(), liblog::level::warning, "Continuing channel ids at ", next,
                               ", one past the highest id stored");
        }
        return next;
    }

    std::shared_ptr<s7web::s7web_client> client_;
    bool channel_cap_logged_ = false;
};

}  // namespace korvel::probekit::s7
