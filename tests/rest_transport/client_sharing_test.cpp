// The service container keys REST clients by their settings: equal settings share one client (and so
// one connection), a difference in any field, the proxy password too, gives another.

#include <gtest/gtest.h>

#include "libresthelper/rest_helper_factory.hpp"
#include "module/service_container/service_container.hpp"
#include "tests/rest_transport/rest_test_support.hpp"

namespace {

using namespace rest_test;
using korvel::probekit::libresthelper::get_rest_helper_factory;
using korvel::probekit::libresthelper::proxy_settings;
using korvel::probekit::libresthelper::rest_interface;
using korvel::probekit::libvexahelper::module::service_container;

TEST(client_sharing, equal_settings_share_a_client_and_a_proxy_password_makes_two) {
    service_container container;
    container.add_factory(get_rest_helper_factory());
    const auto settings_with_proxy_password = [](const std::string& password) {
        auto settings = local_settings(443, certificate_validation::strict, 30, "plc.invalid");
        settings.default_headers = {{"Accept", "application/json"}};
        settings.proxy = proxy_settings{"proxy.invalid", 3128, "scanner", password};
        return settings;
    };
    const auto first = container.get<rest_interface>(settings_with_proxy_password("one"));
    const auto same = container.get<rest_interface>(settings_with_proxy_password("one"));
    const auto other = container.get<rest_interface>(settings_with_proxy_password("two"));
    EXPECT_EQ(first, same);
    EXPECT_NE(first, other);
}

}  // namespace
