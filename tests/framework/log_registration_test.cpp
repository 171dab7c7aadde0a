#include "framework/module/log_registration.hpp"

#include <gtest/gtest.h>

#include "module/service_container/service_container.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using korvel::probekit::liblog::log_interface;

// The lines themselves reaching the host are shown through the module (exports, sensor_base, s7host logs).
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
