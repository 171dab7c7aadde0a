#pragma once

#include <memory>
#include <string>

#include "module/sensors/sensor_base.hpp"
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

    // Sends the batch on the client's session; the first call of a client probes the API.
    s7web::s7web_client::answers execute(s7web::request_batch batch) {
        if (!client_)
            client_ = s7web::acquire_s7web_client(*this->container(), this->sensor_settings().target());
        client_->ensure_api_supported(this->scan_deadline(), &this->sensor_log());
        return client_->execute(std::move(batch), this->scan_deadline(), &this->sensor_log());
    }

    // The channel id stored under `key`, or the next free one (from `first_id` up), stored under `key`
    // from now on. Ids once handed out are never handed out again.
    int channel_id_for(const std::string& key, int first_id) {
        if (const auto stored =
                persisted_channel_id(key, this->get_persistent(key), first_id, this->sensor_log()))
            return *stored;
        const int id = persisted_channel_id(next_channel_id_key, this->get_persistent(next_channel_id_key),
                                            first_id, this->sensor_log())
                           .value_or(first_id);
        this->set_persistent(key, std::to_string(id));
        this->set_persistent(next_channel_id_key, std::to_string(id + 1));
        return id;
    }

private:
    static constexpr const char* next_channel_id_key = "next_channel_id";

    std::shared_ptr<s7web::s7web_client> client_;
};

}  // namespace korvel::probekit::s7
