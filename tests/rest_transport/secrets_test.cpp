// No password, of the Web API or of the proxy, reaches a message, an exception text or the log dump
// of a response; the credentials still reach the server. (The URL texts mask theirs: url_rules_test.)

#include <gtest/gtest.h>

#include <string>

#include "libresthelper/basic_authentication_provider.hpp"
#include "libresthelper/check_status.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/impl_curl.hpp"
#include "simulators/https_server/https_test_server.hpp"
#include "tests/rest_transport/rest_test_support.hpp"

namespace {

using namespace rest_test;
using korvel::probekit::libresthelper::basic_authentication_provider;
using korvel::probekit::libresthelper::check_status;
using korvel::probekit::libresthelper::impl_curl;
using korvel::probekit::libresthelper::method;
using korvel::probekit::libresthelper::proxy_settings;
using korvel::probekit::libresthelper::request;
namespace exceptions = korvel::probekit::libresthelper::exceptions;

const std::string web_password = "w3b-P4ss";
const std::string proxy_password = "pr0xy-P4ss";
// What the Web API credentials look like on the wire.
const std::string encoded_credentials =
    korvel::probekit::libresthelper::base64_encode("admin:" + web_password);

void expect_no_secret(const std::string& text) {
    for (const auto& secret : {web_password, proxy_password, encoded_credentials}) {
        EXPECT_EQ(text.find(secret), std::string::npos) << text;
    }
}

libresthelper::settings with_credentials_in_url(std::uint16_t port) {
    auto settings = local_settings(port, certificate_validation::none);
    settings.base_url.user = "admin";
    settings.base_url.password = web_password;
    return settings;
}

TEST(secrets, the_web_api_password_reaches_the_server_and_no_text) {
    simulators::https_test_server server(certificates().server, [](const simulators::http_request&) {
        return simulators::http_answer{401, "wrong credentials", "text/plain", {{"X-Reason", "denied"}}};
    });
    impl_curl client(with_credentials_in_url(server.port()));
    const auto answer = client.perform(request(method::post, "/api/jsonrpc", "[]"), generous_deadline());
    EXPECT_EQ(server.received().back().header("Authorization"), "Basic " + encoded_credentials);

    const auto dump = to_string(answer);
    EXPECT_NE(dump.find("wrong credentials"), std::string::npos) << "the dump shows the body";
    expect_no_secret(dump);
    expect_no_secret(text_of([&] { check_status(answer); }));
}

TEST(secrets, failed_connections_quote_no_password) {
    std::uint16_t closed_port = 0;
    { closed_port = simulators::https_test_server(certificates().server).port(); }
    impl_curl unreachable(with_credentials_in_url(closed_port));
    expect_no_secret(text_of([&] { unreachable.perform(request(method::get, "/"), generous_deadline()); }));

    auto through_closed_proxy = with_credentials_in_url(closed_port);
    through_closed_proxy.proxy = proxy_settings{"127.0.0.1", closed_port, "scanner", proxy_password};
    impl_curl proxied(through_closed_proxy);
    expect_no_secret(text_of([&] { proxied.perform(request(method::get, "/"), generous_deadline()); }));
}

TEST(secrets, credentials_in_the_url_and_a_provider_are_one_method_too_many) {
    simulators::https_test_server server(certificates().server);
    auto settings = with_credentials_in_url(server.port());
    settings.authentication = std::make_shared<basic_authentication_provider>("other", "pw");
    impl_curl client(settings);
    EXPECT_THROW(client.perform(request(method::get, "/"), generous_deadline()),
                 exceptions::multiple_authentication_methods);
    EXPECT_EQ(server.tcp_connections(), 0u);
}

}  // namespace
