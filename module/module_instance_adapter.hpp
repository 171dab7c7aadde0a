#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "liblog/log_interface.hpp"
#include "module/module_instance.hpp"

namespace korvel::probekit::libvexahelper::module {

// What the exports talk to: one operation per export, each traced with "### Begin"/"### End" lines.
class module_instance_adapter {
public:
    explicit module_instance_adapter(std::unique_ptr<module_instance> instance);

    int create_sensor_instance(int id, const void* data, std::size_t size);
    int execute_sensor_scan(int id);
    int execute_check(int id, const void* data, std::size_t size);
    int execute_meta_scan(int id, unsigned selector, const void* data, std::size_t size);
    int destroy_sensor_instance(int id);
    void get_module_information(bool include_languages);
    std::vector<std::uint8_t> get_module_information_as_bytes(bool include_texts);
    void log(int level, const std::string& message);

private:
    template <typename Call>
    auto traced(const char* operation, Call call);
    template <typename Call>
    int dispatched(const char* operation, Call call);
    template <typename Call>
    int dispatched_with_settings(const char* operation, const void* data, std::size_t size, Call call);

    std::unique_ptr<module_instance> instance_;
    std::shared_ptr<liblog::log_interface> log_;
};

}  // namespace korvel::probekit::libvexahelper::module
