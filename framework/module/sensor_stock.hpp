#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "framework/sensors/sensor_interface.hpp"
#include "libdeadline/deadline_mutex.hpp"

namespace korvel::probekit::libvexahelper::module {

// A live sensor with the lock that lets only one of its scans run at a time.
struct live_sensor {
    std::shared_ptr<sensors::sensor_interface> sensor;
    std::shared_ptr<libdeadline::deadline_mutex> scan_lock;

    explicit operator bool() const { return sensor != nullptr; }
};

// The live sensors by id. Scans hold their own reference, so destroying a sensor while one of its
// scans runs is safe.
class sensor_stock {
public:
    // Throws the utils exception with key sensor_already_registered when the id is taken.
    void add_sensor(int id, std::shared_ptr<sensors::sensor_interface> sensor);
    // Empty when no sensor has the id.
    live_sensor find(int id) const;
    // False when no sensor has the id. A removed sensor is destroyed outside the lock and under its
    // own secret mask (its destructor may log), or later by the scan still holding it.
    bool remove(int id);
    // Drops every sensor, as remove does for one.
    void clear();

private:
    mutable std::mutex mutex_;
    std::map<int, live_sensor> sensors_;
};

}  // namespace korvel::probekit::libvexahelper::module
