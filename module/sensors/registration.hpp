#pragma once

#include <memory>
#include <string>

#include "framework/module/sensor_dispatcher.hpp"
#include "framework/module/sensor_stock.hpp"
#include "framework/settings/channel_map.hpp"
#include "framework/settings/persistent_data_storage.hpp"

namespace korvel::probekit::libvexahelper::module {

// Registers sensor kind T under its descriptor name. Creating one parses T's settings
// (T::settings_type::parse), builds the sensor with the host's channels and persistent data,
// hands it to the sensor stock and logs the settings block (secrets masked) to the sensor's log.
template <typename T>
void register_sensor_as(sensor_dispatcher& dispatcher, const std::string& kind) {
    dispatcher.register_sensor(
        kind, [](std::shared_ptr<service_container> container, int id, const settings::sensor_data_wrapper& data) {
            auto parsed = T::settings_type::parse(data);
            settings::persistent_data_storage persistent(data.get_persistent_data());
            auto channels =
                data.has_channels() ? std::make_shared<settings::channel_map>(data.get_channels()) : nullptr;
            auto sensor = std::make_shared<T>(container, id, std::move(parsed), std::move(channels),
                                              std::move(persistent));
            container->get<sensor_stock>()->add_sensor(id, sensor);
            sensor->log(data.to_json());
        });
}

// Registers check kind T: each ExecuteCheck parses its settings, builds it and runs it at once.
template <typename T>
void register_check_as(sensor_dispatcher& dispatcher, const std::string& kind) {
    dispatcher.register_check(
        kind, [](std::shared_ptr<service_container> container, int id, const settings::sensor_data_wrapper& data) {
            T check(container, id, T::settings_type::parse(data));
            check.check();
        });
}

}  // namespace korvel::probekit::libvexahelper::module
