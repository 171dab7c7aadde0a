#include "module/module_instance_adapter.hpp"

#include <stdexcept>

#include "framework/messaging/message_service.hpp"
#include "framework/messaging/module_information_message.hpp"
#include "framework/module/log_registration.hpp"
#include "framework/settings/sensor_data_wrapper.hpp"
#include "liblog/log_levels.hpp"
#include "liblog/log_line.hpp"

namespace korvel::probekit::libvexahelper::module {
namespace {

constexpr int trace = liblog::level::trace;
constexpr const char* qualified_prefix = "korvel::probekit::libvexahelper::module::module_instance_adapter::";

const char* yes_no(bool flag) {
    return flag ? "Yes" : "No";
}

}  // namespace

module_instance_adapter::module_instance_adapter(std::unique_ptr<module_instance> instance)
    : instance_(std::move(instance)) {
    if (!instance_) throw std::invalid_argument("module_instance_adapter: module_instance must not be null");
    register_runtime_log(instance_->container());
    register_sensor_log(instance_->container());
    log_ = instance_->container()->get<liblog::log_interface>();
}

void module_instance_adapter::log(int level, const std::string& message) {
    if (log_) log_->log(level, message);
}

template <typename Call>
auto module_instance_adapter::traced(const char* operation, Call call) {
    if (log_) liblog::write_line(*log_, trace, "### Begin ", qualified_prefix, operation, " ###");
    auto result = call();
    if (log_) liblog::write_line(*log_, trace, "### End   ", qualified_prefix, operation, " ###");
    return result;
}

// The dispatcher is held for the whole call, so a call in flight keeps it alive.
template <typename Call>
int module_instance_adapter::dispatched(const char* operation, Call call) {
    return traced(operation, [&] {
        const std::shared_ptr<sensor_dispatcher> dispatcher = instance_->dispatcher();
        return static_cast<int>(call(*dispatcher));
    });
}

template <typename Call>
int module_instance_adapter::dispatched_with_settings(const char* operation, const void* data,
                                                      std::size_t size, Call call) {
    return dispatched(operation, [&](sensor_dispatcher& dispatcher) {
        const settings::sensor_data_wrapper settings(data, size);
        log(trace, settings.to_json());
        return call(dispatcher, settings);
    });
}

int module_instance_adapter::create_sensor_instance(int id, const void* data, std::size_t size) {
    return dispatched_with_settings("create_sensor_instance", data, size,
                                    [&](auto& dispatcher, const auto& settings) {
                                        return dispatcher.create_sensor_instance(id, settings);
                                    });
}

int module_instance_adapter::execute_sensor_scan(int id) {
    return dispatched("execute_sensor_scan",
                      [&](auto& dispatcher) { return dispatcher.execute_sensor_scan(id); });
}

int module_instance_adapter::execute_check(int id, const void* data, std::size_t size) {
    return dispatched_with_settings("execute_check", data, size, [&](auto& dispatcher, const auto& settings) {
        return dispatcher.execute_check(id, settings);
    });
}

int module_instance_adapter::execute_meta_scan(int id, unsigned selector, const void* data,
                                               std::size_t size) {
    return dispatched_with_settings("execute_meta_scan", data, size,
                                    [&](auto& dispatcher, const auto& settings) {
                                        return dispatcher.execute_meta_scan(id, selector, settings);
                                    });
}

int module_instance_adapter::destroy_sensor_instance(int id) {
    return dispatched("destroy_sensor_instance",
                      [&](auto& dispatcher) { return dispatcher.destroy_sensor_instance(id); });
}

void module_instance_adapter::get_module_information(bool include_languages) {
    traced("get_module_information", [&] {
        log(trace, std::string("Do loadLanguages: ") + yes_no(include_languages));
        const messaging::module_information_message message(instance_->get_module_information(),
                                                            include_languages);
        instance_->container()->get<messaging::message_service_interface>()->send(message);
        return 0;
    });
}

std::vector<std::uint8_t> module_instance_adapter::get_module_information_as_bytes(bool include_texts) {
    return traced("get_module_information_as_bytes", [&] {
        log(trace, std::string("Include texts: ") + yes_no(include_texts));
        std::string text;
        messaging::module_information_message(instance_->get_module_information(), include_texts)
            .serialize(text);
        return std::vector<std::uint8_t>(text.begin(), text.end());
    });
}

}  // namespace korvel::probekit::libvexahelper::module
