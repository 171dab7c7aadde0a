#include "framework/module/log_registration.hpp"

#include <functional>
#include <optional>

#include "framework/messaging/log_message.hpp"
#include "framework/messaging/message_service.hpp"

namespace korvel::probekit::libvexahelper::module {
namespace {

// Sends each line to the host as a "log" message; the host decides where it is written. The container
// owns this log (directly, or through a sensor it holds) and the message service, so only a weak
// reference leads to the service, looked up once.
class host_log final : public liblog::log_interface {
public:
    host_log(const std::weak_ptr<service_container>& container, std::optional<int> sensor_id)
        : service_(find_service(container)), sensor_id_(sensor_id) {}

    // Logging never fails its caller: a line that cannot be delivered (the container is gone, no message
    // service is registered, the host callback threw) is dropped.
    void log(int level, const std::string& message) override {
        try {
            if (const auto service = service_.lock()) service->send(messaging::log_message(sensor_id_, level, message));
        } catch (...) {
        }
    }

private:
    static std::weak_ptr<messaging::message_service_interface> find_service(
        const std::weak_ptr<service_container>& container) {
        try {
            if (const auto owner = container.lock()) return owner->get<messaging::message_service_interface>();
        } catch (...) {
        }
        return {};
    }

    std::weak_ptr<messaging::message_service_interface> service_;
    std::optional<int> sensor_id_;
};

}  // namespace

void register_runtime_log(const std::shared_ptr<service_container>& container) {
    std::weak_ptr<service_container> weak = container;
    container->add_factory(std::function<std::unique_ptr<liblog::log_interface>()>(
        [weak]() -> std::unique_ptr<liblog::log_interface> {
            return std::make_unique<host_log>(weak, std::nullopt);
        }));
}

void register_sensor_log(const std::shared_ptr<service_container>& container) {
    std::weak_ptr<service_container> weak = container;
    container->add_factory(std::function<std::unique_ptr<liblog::log_interface>(int)>(
        [weak](int sensor_id) -> std::unique_ptr<liblog::log_interface> {
            return std::make_unique<host_log>(weak, sensor_id);
        }));
}

}  // namespace korvel::probekit::libvexahelper::module
