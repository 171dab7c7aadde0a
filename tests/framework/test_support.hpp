#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "framework/messaging/message_service.hpp"
#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::testing {

// Checks that `call` throws E whose English text is exactly `text`; any other exception fails the test.
template <typename E, typename Call>
void expect_error(Call call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "no exception; expected: " << text;
    } catch (const E& error) {
        EXPECT_EQ(std::string(error.what()), text);
    }
}

inline nlohmann::json read_back(const messaging::vexa_message& message) {
    const std::vector<std::uint8_t> bytes = message.serialize();
    return nlohmann::json::parse(bytes.begin(), bytes.end());
}

// Stands in for the host: a container whose message service parses every delivered message back.
struct recording_host {
    std::shared_ptr<module::service_container> container = std::make_shared<module::service_container>();
    std::shared_ptr<std::vector<nlohmann::json>> messages = std::make_shared<std::vector<nlohmann::json>>();

    recording_host() {
        container->add_factory(std::function<std::unique_ptr<messaging::message_service_interface>()>(
            [received = messages]() -> std::unique_ptr<messaging::message_service_interface> {
                return std::make_unique<messaging::message_service>(
                    [received](const void* bytes, unsigned size) {
                        const auto* begin = static_cast<const char*>(bytes);
                        received->push_back(nlohmann::json::parse(begin, begin + size));
                    });
            }));
    }
};

}  // namespace korvel::probekit::libvexahelper::testing
