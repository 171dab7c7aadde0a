// Settings that differ in any one field must never share a client or a link: a strict and a `none`
// sensor on one device sharing a REST client would let the strict one accept a forged certificate.
// Each key is varied field by field; every variant must differ from the base in equality and hash,
// and the real service container must hand it an instance of its own, while an equal copy of the
// base gets the base's instance.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "libresthelper/basic_authentication_provider.hpp"
#include "libresthelper/rest_helper_factory.hpp"
#include "libresthelper/settings.hpp"
#include "libs7/connection_factory.hpp"
#include "libs7/connection_settings.hpp"
#include "module/service_container/service_container.hpp"
#include "s7/s7web/s7web_client.hpp"
#include "s7/s7web/s7web_client_settings.hpp"

namespace {

namespace rest = korvel::probekit::libresthelper;
namespace libs7 = korvel::probekit::libs7;
namespace s7web = korvel::probekit::s7::s7web;
using korvel::probekit::libvexahelper::module::service_container;
using namespace std::chrono_literals;

template <typename Key>
using variant_list = std::vector<std::pair<std::string, std::function<void(Key&)>>>;

// Every variant is unequal to the base, hashes differently, and gets its own instance from the
// container; an equal copy of the base shares the base's instance.
template <typename Interface, typename Key>
void expect_each_field_counts(service_container& container, const Key& base,
                              const variant_list<Key>& variants) {
    const std::hash<Key> hash;
    const auto shared = container.get<Interface>(base);
    const Key copy = base;
    EXPECT_TRUE(copy == base);
    EXPECT_EQ(hash(copy), hash(base));
    EXPECT_EQ(container.get<Interface>(copy), shared);
    for (const auto& [field, change] : variants) {
        SCOPED_TRACE(field);
        Key variant = base;
        change(variant);
        EXPECT_FALSE(variant == base);
        EXPECT_FALSE(base == variant);
        EXPECT_NE(hash(variant), hash(base));
        const auto own = container.get<Interface>(variant);
        EXPECT_NE(own, shared);
    }
}

rest::settings rest_base() {
    rest::settings settings(rest::url("https", "127.0.0.1", 443));
    settings.authentication = std::make_shared<rest::basic_authentication_provider>("admin", "pw");
    settings.default_headers = {{"Accept", "application/json"}};
    settings.default_cookies = {{"site", "a"}};
    settings.timeout = 30;
    settings.proxy = rest::proxy_settings{"127.0.0.1", 3128, "scanner", "proxy-pw"};
    settings.certificate_validation = rest::certificate_validation::strict;
    return settings;
}

TEST(cache_keys, every_field_of_the_rest_client_settings) {
    service_container container;
    container.add_factory(rest::get_rest_helper_factory());
    using change = std::function<void(rest::settings&)>;
    const variant_list<rest::settings> variants{
        {"scheme", change([](auto& s) { s.base_url.scheme = "http"; })},
        {"host", change([](auto& s) { s.base_url.host = "localhost"; })},
        {"port", change([](auto& s) { s.base_url.port = 444; })},
        {"no port", change([](auto& s) { s.base_url.port.reset(); })},
        {"URL user", change([](auto& s) { s.base_url.user = "u"; })},
        {"URL password", change([](auto& s) { s.base_url.password = "p"; })},
        {"authentication user", change([](auto& s) {
             s.authentication = std::make_shared<rest::basic_authentication_provider>("root", "pw");
         })},
        {"authentication password", change([](auto& s) {
             s.authentication = std::make_shared<rest::basic_authentication_provider>("admin", "px");
         })},
        {"no authentication", change([](auto& s) { s.authentication.reset(); })},
        {"header value", change([](auto& s) { s.default_headers["Accept"] = "text/plain"; })},
        {"another header", change([](auto& s) { s.default_headers["X-Extra"] = "1"; })},
        {"cookie value", change([](auto& s) { s.default_cookies["site"] = "b"; })},
        {"another cookie", change([](auto& s) { s.default_cookies["other"] = "a"; })},
        {"timeout", change([](auto& s) { s.timeout = 31; })},
        {"proxy host", change([](auto& s) { s.proxy->host = "localhost"; })},
        {"proxy port", change([](auto& s) { s.proxy->port = 3129; })},
        {"proxy user", change([](auto& s) { s.proxy->user = "other"; })},
        {"proxy password", change([](auto& s) { s.proxy->password = "other-pw"; })},
        {"no proxy", change([](auto& s) { s.proxy.reset(); })},
        {"validation none",
         change([](auto& s) { s.certificate_validation = rest::certificate_validation::none; })},
        {"validation hostname_only",
         change([](auto& s) { s.certificate_validation = rest::certificate_validation::hostname_only; })},
    };
    expect_each_field_counts<rest::rest_interface>(container, rest_base(), variants);
}

TEST(cache_keys, every_field_of_the_web_api_client_settings) {
    service_container container;
    container.add_factory(rest::get_rest_helper_factory());
    container.add_factory(s7web::get_s7web_client_factory());
    const auto rest_client = container.get<rest::rest_interface>(rest_base());
    auto other_settings = rest_base();
    other_settings.certificate_validation = rest::certificate_validation::none;
    const auto other_rest_client = container.get<rest::rest_interface>(other_settings);
    using change = std::function<void(s7web::s7web_client_settings&)>;
    const variant_list<s7web::s7web_client_settings> variants{
        {"REST client", change([&](auto& s) { s.rest_client = other_rest_client; })},
        {"user name", change([](auto& s) { s.username = "other"; })},
        {"password", change([](auto& s) { s.password = "other-pw"; })},
    };
    expect_each_field_counts<s7web::s7web_client>(
        container, s7web::s7web_client_settings{rest_client, "diag", "pw"}, variants);
}

TEST(cache_keys, every_field_of_the_s7_connection_settings) {
    service_container container;
    container.add_factory(libs7::get_connection_factory());
    using change = std::function<void(libs7::connection_settings&)>;
    const variant_list<libs7::connection_settings> variants{
        {"host", change([](auto& s) { s.host = "127.0.0.2"; })},
        {"port", change([](auto& s) { s.port = 103; })},
        {"rack", change([](auto& s) { s.rack = 1; })},
        {"slot", change([](auto& s) { s.slot = 3; })},
        {"receive timeout", change([](auto& s) { s.receive_timeout = 5001ms; })},
    };
    expect_each_field_counts<libs7::connection_interface>(
        container, libs7::connection_settings{"127.0.0.1", 102, 0, 2, 5000ms}, variants);
}

}  // namespace
