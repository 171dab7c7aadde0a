#pragma once

#include <chrono>
#include <memory>

#include "libs7/acquire_connection.hpp"
#include "libs7/connection_interface.hpp"
#include "libs7/read_szl.hpp"
#include "module/sensors/sensor_base.hpp"
#include "module/settings/selections.hpp"

namespace korvel::probekit::s7 {

// The frame of the S7-300/400 sensors: the shared connection, acquired on the first scan that needs
// it and kept for the sensor's life (a failed acquisition is tried again next scan), and list reads
// with the sensor's retry settings.
template <typename Settings>
class s7_300_400_sensor : public libvexahelper::sensors::sensor_base<Settings> {
protected:
    using libvexahelper::sensors::sensor_base<Settings>::sensor_base;

    libs7::connection_interface& connection() {
        if (!connection_) {
            const Settings& settings = this->sensor_settings();
            connection_ = libs7::acquire_connection(
                *this->container(), settings.base.host, static_cast<std::uint8_t>(settings.connection.rack),
                static_cast<std::uint8_t>(settings.connection.slot),
                static_cast<std::uint16_t>(settings.connection.port),
                std::chrono::milliseconds(settings.compatibility.receive_timeout_ms), this->sensor_log());
        }
        return *connection_;
    }

    template <typename T>
    T read() {
        const auto& compatibility = this->sensor_settings().compatibility;
        return libs7::read_szl<T>(connection(), std::chrono::milliseconds(compatibility.retry_delay_ms),
                                  compatibility.retry == settings::retry_policy::retry, this->scan_deadline(),
                                  this->sensor_log());
    }

private:
    std::shared_ptr<libs7::connection_interface> connection_;
};

}  // namespace korvel::probekit::s7
