#include "framework/module/sensor_stock.hpp"

#include <stdexcept>
#include <string>

#include "framework/messaging/secret_mask.hpp"
#include "libi18n/error_keys.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::module {
namespace {

// Drops the stock's reference; what the sensor writes as it goes (its last log lines, a logout) is
// masked like its scans. A scan still holding it lets it go inside the scan's own mask.
void let_go(live_sensor& sensor) {
    if (!sensor) return;
    const messaging::secret_mask secrets = sensor.sensor->secrets();
    const messaging::secret_mask_scope masking(&secrets);
    sensor = {};
}

}  // namespace

void sensor_stock::add_sensor(int id, std::shared_ptr<sensors::sensor_interface> sensor) {
    if (!sensor) throw std::invalid_argument("sensor_stock: the sensor must not be null");
    std::lock_guard lock(mutex_);
    if (!sensors_
             .try_emplace(id, live_sensor{std::move(sensor), std::make_shared<libdeadline::deadline_mutex>()})
             .second) {
        throw utils::exceptions::exception(libi18n::make_msg(
            libi18n::error_keys::libvexahelper::sensor_already_registered, std::to_string(id)));
    }
}

live_sensor sensor_stock::find(int id) const {
    std::lock_guard lock(mutex_);
    const auto found = sensors_.find(id);
    return found == sensors_.end() ? live_sensor{} : found->second;
}

bool sensor_stock::remove(int id) {
    live_sensor removed;
    {
        std::lock_guard lock(mutex_);
        const auto found = sensors_.find(id);
        if (found == sensors_.end()) return false;
        removed = std::move(found->second);
        sensors_.erase(found);
    }
    let_go(removed);  // after the lock is released
    return true;
}

void sensor_stock::clear() {
    std::map<int, live_sensor> removed;
    {
        std::lock_guard lock(mutex_);
        removed.swap(sensors_);
    }
    for (auto& [id, sensor] : removed) let_go(sensor);
}

}  // namespace korvel::probekit::libvexahelper::module
