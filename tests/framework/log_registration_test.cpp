#include "framework/module/log_registration.hpp"

#include "module/utils/exceptions.hpp"
#include "test_support.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using korvel::probekit::liblog::log_interface;

TEST(log_registration, runtime_and_sensor_lines_reach_the_host_as_log_messages) {
    vexa::testing::recording_host host;
    vexa::module::register_runtime_log(host.container);
    vexa::module::register_sensor_log(host.container);
    host.container->get<log_interface>()->log(7, "### Begin create_sensor_instance ###");
    host.container->create<log_interface>(12)->log(3, "Reading SZL 0x0424 failed");
    ASSERT_EQ(host.messages->size(), 2u);
    EXPECT_EQ(host.messages->at(0),
              nlohmann::json::parse(
                  R"({"type": "log", "level": 7, "text": "### Begin create_sensor_instance ###"})"));
    EXPECT_EQ(host.messages->at(1),
              nlohmann::json::parse(
                  R"({"type": "log", "sensor_id": 12, "level": 3, "text": "Reading SZL 0x0424 failed"})"));
    EXPECT_THROW(vexa::module::register_runtime_log(host.container),
                 vexa::utils::exceptions::already_contains_factory);
}

TEST(log_registration, the_log_does_not_keep_its_container_alive_and_never_throws) {
    auto container = std::make_shared<vexa::module::service_container>();  // no message service at all
    vexa::module::register_runtime_log(container);
    vexa::module::register_sensor_log(container);
    const std::shared_ptr<log_interface> sensor_log = container->create<log_interface>(1);
    EXPECT_NO_THROW(container->get<log_interface>()->log(7, "dropped: no message service"));
    const std::weak_ptr<vexa::module::service_container> weak = container;
    container.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_NO_THROW(sensor_log->log(7, "dropped: container gone"));
}

}  // namespace
