// The ten C functions the host calls. No exception ever crosses this boundary: every body that can
// throw is wrapped, and failures become the fixed return codes the host protocol documents.

#include <cstdint>
#include <cstring>
#include <memory>

#include "liblog/log_levels.hpp"
#include "module/module_instance_adapter.hpp"
#include "module/s7_module.h"
#include "module/vexa_module_s7.hpp"

namespace {

using korvel::probekit::libvexahelper::module::module_instance_adapter;

constexpr int exception_code = 2;
constexpr int not_initialised_code = 3;

// The host must not call InitializeModule or CleanupModule concurrently with anything else,
// so the pointer itself needs no lock.
std::unique_ptr<module_instance_adapter> global_instance;

template <typename Call>
int dispatch(Call call) {
    try {
        if (!global_instance) return not_initialised_code;
        return call(*global_instance);
    } catch (...) {
        return exception_code;
    }
}

}  // namespace

int GetApiLevel() {
    return 6;
}

int InitializeModule(std::uint64_t host_context, host_callback callback) {
    try {
        if (global_instance) {
            global_instance->log(korvel::probekit::liblog::level::trace,
                                 "InitializeModule called on already initialized module.");
            return 1;
        }
        // Every answer leaves through the callback: without one the module could only crash later.
        if (callback == nullptr) return 1;
        auto module = std::make_unique<korvel::probekit::s7::VexaModuleS7>(host_context, callback);
        global_instance = std::make_unique<module_instance_adapter>(std::move(module));
        return 0;
    } catch (...) {
        return 1;
    }
}

int CleanupModule() {
    std::unique_ptr<module_instance_adapter> instance = std::move(global_instance);
    global_instance.reset();
    instance.reset();
    return 0;
}

void GetModuleInformation(bool include_languages) {
    try {
        if (global_instance) global_instance->get_module_information(include_languages);
    } catch (...) {
        // Nothing to report: the host simply receives no message.
    }
}

int GetModuleInformationSync(void* buffer, std::uint32_t* size, bool include_texts) {
    if (size == nullptr) return 1;
    if (!global_instance) return 2;
    try {
        const std::vector<std::uint8_t> bytes =
            global_instance->get_module_information_as_bytes(include_texts);
        const std::uint32_t available = *size;
        *size = static_cast<std::uint32_t>(bytes.size());
        if (buffer == nullptr) return 0;
        if (available < bytes.size()) return 1;
        std::memcpy(buffer, bytes.data(), bytes.size());
        return 0;
    } catch (...) {
        return 1;
    }
}

int CreateSensorInstance(int sensor_id, const void* settings, std::uint32_t size) {
    return dispatch([&](module_instance_adapter& adapter) {
        return adapter.create_sensor_instance(sensor_id, settings, size);
    });
}

int ExecuteSensorScan(int sensor_id) {
    return dispatch([&](module_instance_adapter& adapter) { return adapter.execute_sensor_scan(sensor_id); });
}

int ExecuteCheck(int check_id, const void* settings, std::uint32_t size) {
    return dispatch(
        [&](module_instance_adapter& adapter) { return adapter.execute_check(check_id, settings, size); });
}

int ExecuteMetaScan(int sensor_id, unsigned selector, const void* settings, std::uint32_t size) {
    return dispatch([&](module_instance_adapter& adapter) {
        return adapter.execute_meta_scan(sensor_id, selector, settings, size);
    });
}

int DestroySensorInstance(int sensor_id) {
    return dispatch(
        [&](module_instance_adapter& adapter) { return adapter.destroy_sensor_instance(sensor_id); });
}
