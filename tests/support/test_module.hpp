#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "framework/messaging/message_service.hpp"
#include "framework/module/log_registration.hpp"
#include "framework/module/sensor_dispatcher.hpp"
#include "module/service_container/service_container.hpp"

namespace module_test {

namespace vexa = korvel::probekit::libvexahelper;
using json = nlohmann::json;

// The module's frame without the shared library: a container whose message service records every
// message, the framework's logs, and a dispatcher to register sensor kinds with.
class test_module {
public:
    test_module() {
        container->add_factory(std::function<std::unique_ptr<vexa::messaging::message_service_interface>()>([this] {
            return std::make_unique<vexa::messaging::message_service>([this](const void* bytes, unsigned size) {
                sent.push_back(json::parse(std::string(static_cast<const char*>(bytes), size)));
            });
        }));
        vexa::module::register_runtime_log(container);
        vexa::module::register_sensor_log(container);
        dispatcher = std::make_unique<vexa::module::sensor_dispatcher>(container);
    }

    vexa::module::sensor_create_response_code create(int id, const json& block) {
        const std::string text = block.dump();
        return dispatcher->create_sensor_instance(id, vexa::settings::sensor_data_wrapper(text.data(), text.size()));
    }

    // Every message of a type sent since the last take, in order; forgets all messages.
    std::vector<json> take(const std::string& type) {
        std::vector<json> found;
        for (const auto& message : sent) {
            if (message.at("type") == type) found.push_back(message);
        }
        sent.clear();
        return found;
    }

    std::shared_ptr<vexa::module::service_container> container = std::make_shared<vexa::module::service_container>();
    std::vector<json> sent;
    std::unique_ptr<vexa::module::sensor_dispatcher> dispatcher;
};

inline std::vector<std::string> texts_of(const std::vector<json>& logs) {
    std::vector<std::string> texts;
    for (const auto& log : logs) texts.push_back(log.at("text"));
    return texts;
}

}  // namespace module_test
