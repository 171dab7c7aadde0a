// No password, of the Web API or of the proxy, reaches a message, an exception text or the log dump
// of a response; the credentials still reach the server and the proxy.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "libresthelper/basic_authentication_provider.hpp"
#include "libresthelper/check_status.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/impl_curl.hpp"
#include "simulators/https_server/https_test_server.hpp"
#include "tests/rest_transport/rest_test_support.hpp"
#include "tests/support/expect_error.hpp"
#include "tests/support/tinyproxy_process.hpp"

namespace {

using namespace rest_test;
using korvel::probekit::libresthelper::basic_authentication_provider;
using korvel::probekit::libresthelper::check_status;
using korvel::probekit::libresthelper::impl_curl;
using korvel::probekit::libresthelper::method;
using korvel::probekit::libresthelper::proxy_settings;
using korvel::probekit::libresthelper::request;
using korvel::probekit::libresthelper::url;
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

std::string failure_text(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::exception& error) {
        return error.what();
    }
    ADD_FAILURE() << "no exception";
    return {};
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
    expect_no_secret(failure_text([&] { check_status(answer); }));
}

TEST(secrets, failures_and_url_errors_quote_no_password) {
    std::uint16_t closed_port = 0;
    { closed_port = simulators::https_test_server(certificates().server).port(); }
    impl_curl unreachable(with_credentials_in_url(closed_port));
    expect_no_secret(
        failure_text([&] { unreachable.perform(request(method::get, "/"), generous_deadline()); }));

    auto full = with_credentials_in_url(closed_port).base_url;
    full.path = "/api";
    expect_no_secret(failure_text([&] { libresthelper::settings{full}; }));
    expect_no_secret(
        failure_text([] { url::from_authority("https", "admin:" + web_password + "@[FE80::1]"); }));

    auto unused_proxy = local_settings(closed_port, certificate_validation::none);
    unused_proxy.proxy = proxy_settings{"127.0.0.1", closed_port, "scanner", proxy_password};
    impl_curl through_closed_proxy(unused_proxy);
    expect_no_secret(
        failure_text([&] { through_closed_proxy.perform(request(method::get, "/"), generous_deadline()); }));
}

TEST(secrets, a_refused_proxy_password_is_not_quoted_and_never_reaches_the_server) {
    test_support::tinyproxy_process proxy("scanner", proxy_password);
    simulators::https_test_server server(certificates().server);
    auto settings = with_credentials_in_url(server.port());
    settings.proxy = proxy_settings{"127.0.0.1", proxy.port(), "scanner", "not-" + proxy_password};
    impl_curl refused(settings);
    expect_no_secret(failure_text([&] { refused.perform(request(method::get, "/"), generous_deadline()); }));

    settings.proxy->password = proxy_password;
    impl_curl accepted(settings);
    EXPECT_EQ(accepted.perform(request(method::get, "/"), generous_deadline()).status, 200);
    const auto received = server.received().back();
    EXPECT_EQ(received.header_count("Proxy-Authorization"), 0u);
    EXPECT_EQ(received.header("Authorization"), "Basic " + encoded_credentials);
}

TEST(secrets, credentials_in_the_url_and_a_provider_are_one_method_too_many) {
    simulators::https_test_server server(certificates().server);
    auto settings = with_credentials_in_url(server.port());
    settings.authentication = std::make_shared<basic_authentication_provider>("other", "pw");
    impl_curl client(settings);
    test_support::expect_error<exceptions::multiple_authentication_methods>(
        [&] { client.perform(request(method::get, "/"), generous_deadline()); },
        "Multiple authentication methods specified.");
    EXPECT_EQ(server.tcp_connections(), 0u);
}

}  // namespace
