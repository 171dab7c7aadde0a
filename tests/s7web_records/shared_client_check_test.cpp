// The check and the sensors share one Web API client for equal settings: a check run while a sensor
// holds the client finds the probe done and sends only its login, whose token the sensor then sends.

#include <gtest/gtest.h>

#include <string>

#include "libresthelper/rest_helper_factory.hpp"
#include "module/sensors/registration.hpp"
#include "s7/s7web/s7web_login_check.hpp"
#include "tests/s7web_records/web_api_device.hpp"
#include "tests/support/test_module.hpp"

namespace {

namespace s7web = korvel::probekit::s7::s7web;
using korvel::probekit::libvexahelper::settings::sensor_data_wrapper;
using s7web_records_test::json;
using s7web_records_test::web_api_device;

TEST(shared_client_check, a_check_on_a_client_a_sensor_holds_sends_only_its_login) {
    web_api_device device;  // before the frame, so the clients' kept-alive connections close first
    module_test::test_module frame;
    frame.container->add_factory(korvel::probekit::libresthelper::get_rest_helper_factory());
    frame.container->add_factory(s7web::get_s7web_client_factory());
    korvel::probekit::libvexahelper::module::register_check_as<s7web::s7web_login_check>(
        *frame.dispatcher, s7web::s7web_login_check::kind_name);

    const std::string block = json{
        {"kind", "s7web_login_check"},
        {"settings",
         {{"host", "127.0.0.1"},
          {"timeout", "5"},
          {"s7web_credentials_section.username", "diagnose"},
          {"s7web_credentials_section.password", "secret"},
          {"s7web_credentials_section.port", std::to_string(device.port())},
          {"httpproxy.port", "3128"},
          {"shared_http_validation_section.certificate_validation",
           "none"}}}}.dump();
    const sensor_data_wrapper settings(block.data(), block.size());
    const auto held = s7web::acquire_s7web_client(
        *frame.container, korvel::probekit::s7::settings::s7web_settings::parse(settings).target());

    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE(run);
        frame.dispatcher->execute_check(run, settings);
        const auto results = frame.take("check_result");
        ASSERT_EQ(results.size(), 1u);
        EXPECT_EQ(results[0].at("success"), true);
    }
    EXPECT_EQ(device.requests(), 3u) << "one probe, then one login per check";
    held->ensure_api_supported(korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(5)));
    EXPECT_EQ(device.requests(), 3u) << "the sensor's client is the one the check probed";
}

}  // namespace
