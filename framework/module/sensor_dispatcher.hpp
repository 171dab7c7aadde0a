#pragma once

#include <functional>
#include <memory>
#include <mutex>
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
    using factory =
        std::function<void(std::shared_ptr<service_container>, int, const settings::sensor_data_wrapper&)>;

    explicit sensor_dispatcher(std::shared_ptr<service_container> container);
    // Destroys the remaining sensors: they hold the container, which holds the stock that holds them.
    ~sensor_dispatcher();
    sensor_dispatcher(const sensor_dispatcher&) = delete;
    sensor_dispatcher& operator=(const sensor_dispatcher&) = delete;

    // A kind is registered once; an empty name or factory, or a second registration, throws the utils
    // exception with key sensor_registry.
    void register_sensor(const std::string& kind, factory create);
    void register_check(const std::string& kind, factory run);

    // A factory that throws is reported to the host as an error result for that id (its localised
    // message), and the exception is passed on to the caller. An id that is already live answers
    // sensor_id_in_use without calling the factory, also when two creates of one id race.
    sensor_create_response_code create_sensor_instance(int id, const settings::sensor_data_wrapper& data);
    // Scans of one id run one after the other; a scan that cannot start before its deadline answers
    // with an error result saying so.
    sensor_scan_response_code execute_sensor_scan(int id);
    // A check factory runs the check and sends its check_result. One that throws instead is reported
    // as a check_result without success carrying the error's message, and the exception is passed on.
    check_response_code execute_check(int id, const settings::sensor_data_wrapper& data);
    meta_scan_response_code execute_meta_scan(int id, unsigned selector,
                                              const settings::sensor_data_wrapper& data);
    sensor_destroy_response_code destroy_sensor_instance(int id);

private:
    std::shared_ptr<service_container> container_;
    std::shared_ptr<sensor_stock> stock_;
    std::mutex create_mutex_;
    std::unordered_map<std::string, factory> sensor_factories_;
    std::unordered_map<std::string, factory> check_factories_;
};

}  // namespace korvel::probekit::libvexahelper::module
