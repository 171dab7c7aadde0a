#pragma once

#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

#include "framework/module/response_codes.hpp"
#include "framework/module/sensor_stock.hpp"
#include "framework/settings/sensor_data_wrapper.hpp"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::module {

// Routes the host's calls to the registered sensor and check kinds. The dispatcher puts its
// sensor_stock into the container, where the registered factories find it.
class sensor_dispatcher {
public:
    using factory = std::function<void(std::shared_ptr<service_container>, int, const settings::sensor_data_wrapper&)>;

    explicit sensor_dispatcher(std::shared_ptr<service_container> container);

    void register_sensor(const std::string& kind, factory create);
    void register_check(const std::string& kind, factory run);

    // A factory that throws is reported to the host as an error result for that id (its localised
    // message), and the exception is passed on to the caller.
    sensor_create_response_code create_sensor_instance(int id, const settings::sensor_data_wrapper& data);
    sensor_scan_response_code execute_sensor_scan(int id);
    check_response_code execute_check(int id, const settings::sensor_data_wrapper& data);
    meta_scan_response_code execute_meta_scan(int id, unsigned selector, const settings::sensor_data_wrapper& data);
    sensor_destroy_response_code destroy_sensor_instance(int id);

private:
    std::shared_ptr<service_container> container_;
    std::shared_ptr<sensor_stock> stock_;
    std::unordered_map<std::string, factory> sensor_factories_;
    std::unordered_map<std::string, factory> check_factories_;
};

}  // namespace korvel::probekit::libvexahelper::module
