// The libcurl transport against real servers on 127.0.0.1: redirects, headers, proxies with and
// without the right password, unreachable and silent servers, failing handshakes, kept-alive
// connections, and the scan deadline.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "libresthelper/check_status.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/impl_curl.hpp"
#include "simulators/https_server/https_test_server.hpp"
#include "simulators/https_server/raw_test_servers.hpp"
#include "tests/rest_transport/rest_test_support.hpp"
#include "tests/support/expect_error.hpp"
#include "tests/support/tinyproxy_process.hpp"

namespace {

using namespace rest_test;
using korvel::probekit::libdeadline::deadline;
using korvel::probekit::libdeadline::deadline_exceeded;
using korvel::probekit::libresthelper::check_status;
using korvel::probekit::libresthelper::impl_curl;
using korvel::probekit::libresthelper::method;
using korvel::probekit::libresthelper::proxy_settings;
using korvel::probekit::libresthelper::request;
namespace exceptions = korvel::probekit::libresthelper::exceptions;
using clock_type = std::chrono::steady_clock;

const std::string no_response = "The sensor could not get a response from the server. ";

TEST(transport, a_redirect_comes_back_as_the_response_and_is_not_followed) {
    simulators::https_test_server server(certificates().server, [](const simulators::http_request& received) {
        if (received.path == "/moved") return simulators::http_answer{200, "followed", "text/plain", {}};
        return simulators::http_answer{302, "elsewhere", "text/plain", {{"Location", "/moved"}}};
    });
    impl_curl client(local_settings(server.port(), certificate_validation::none));
    const auto answer = client.perform(request(method::get, "/start"), generous_deadline());
    EXPECT_EQ(answer.status, 302);
    EXPECT_EQ(answer.headers.at("Location"), "/moved");
    EXPECT_EQ(server.requests(), 1u);
    test_support::expect_error<exceptions::request_failed>(
        [&] { check_status(answer); }, no_response + "302 (Found). (redirected to /moved, not followed)");
}

TEST(transport, sends_its_headers_cookies_and_body_once_each) {
    simulators::https_test_server server(certificates().server, [](const simulators::http_request&) {
        return simulators::http_answer{
            200, "{}", "application/json", {{"Set-Cookie", "session=abc; Path=/"}}};
    });
    auto settings = local_settings(server.port(), certificate_validation::none);
    settings.default_headers = {{"Accept", "application/json"}};
    settings.default_cookies = {{"site", "1"}};
    impl_curl client(settings);
    request post(method::post, "/api/jsonrpc", R"([{"id":1}])");
    post.headers = {{"content-type", "application/json"}};
    post.cookies = {{"visit", "2"}};
    EXPECT_EQ(client.perform(post, generous_deadline()).cookies.at("session"), "abc");

    const auto received = server.received().front();
    EXPECT_EQ(received.body, R"([{"id":1}])");
    EXPECT_EQ(received.header_count("Content-Type"), 1u) << "a lower-case content-type must not be doubled";
    EXPECT_EQ(received.header("Content-Type"), "application/json");
    EXPECT_EQ(received.header("Accept"), "application/json");
    EXPECT_EQ(received.header("User-Agent"), "Veltra/1.21.0.22799 Korvel");
    const auto cookies = received.header("Cookie");
    EXPECT_NE(cookies.find("site=1"), std::string::npos) << cookies;
    EXPECT_NE(cookies.find("visit=2"), std::string::npos) << cookies;

    // The next request starts with an empty cookie store and the form content type by default.
    client.perform(request(method::post, "/form", "x=1"), generous_deadline());
    const auto second = server.received().back();
    EXPECT_EQ(second.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(second.header("Cookie"), "site=1");
}

TEST(transport, ten_requests_on_one_client_use_one_connection_and_one_handshake) {
    simulators::https_test_server server(certificates().server);
    {
        impl_curl client(local_settings(server.port(), certificate_validation::hostname_only));
        for (int i = 0; i < 10; ++i)
            client.perform(request(method::post, "/api/jsonrpc", "[]"), generous_deadline());
    }
    EXPECT_EQ(server.requests(), 10u);
    EXPECT_EQ(server.tcp_connections(), 1u);
    EXPECT_EQ(server.tls_handshakes(), 1u);
}

TEST(transport, an_unreachable_port_raises_connection_failed) {
    std::uint16_t closed_port = 0;
    { closed_port = simulators::https_test_server(certificates().server).port(); }
    impl_curl client(local_settings(closed_port, certificate_validation::none));
    // The server's text, not the proxy's: no proxy is involved.
    test_support::expect_error<exceptions::connection_failed>(
        [&] { client.perform(request(method::get, "/"), generous_deadline()); },
        "The sensor could not connect to the server. (connection refused by 127.0.0.1 port " +
            std::to_string(closed_port) + ")");
}

TEST(transport, a_server_that_never_answers_raises_request_timeout_after_the_configured_timeout) {
    simulators::silent_server silent;
    impl_curl client(local_settings(silent.port(), certificate_validation::none, 1));
    const auto start = clock_type::now();
    const auto text = text_of<exceptions::request_timeout>(
        [&] { client.perform(request(method::get, "/"), generous_deadline()); });
    const auto elapsed = clock_type::now() - start;
    EXPECT_EQ(text, "Request timeout. (time-out after 1 s waiting for the TLS handshake)");
    EXPECT_GE(elapsed, std::chrono::seconds(1));
    EXPECT_LE(elapsed, std::chrono::seconds(2)) << "not later than the timeout plus one second";
    EXPECT_EQ(silent.connections(), 1u) << "a timeout is not a failed handshake: no further attempt";
}

TEST(transport, a_handshake_is_tried_four_times) {
    simulators::https_test_server server(certificates().server);
    simulators::flaky_tls_front three_failures(server.port(), 3);
    impl_curl client(local_settings(three_failures.port(), certificate_validation::none));
    EXPECT_EQ(client.perform(request(method::get, "/"), generous_deadline()).status, 200);
    EXPECT_EQ(three_failures.connections(), 4u);

    simulators::flaky_tls_front four_failures(server.port(), 4);
    impl_curl failing(local_settings(four_failures.port(), certificate_validation::none));
    test_support::expect_error<exceptions::request_failed>(
        [&] { failing.perform(request(method::get, "/"), generous_deadline()); },
        no_response + "0 (No response code received). (TLS handshake failed 4 times)");
    EXPECT_EQ(four_failures.connections(), 4u);
    EXPECT_EQ(server.requests(), 1u);
}

// tinyproxy answers CONNECT without credentials with 407, and wrong ones with 401: either is the
// proxy refusing us. The exact texts also show that no password is quoted.
TEST(transport, only_the_right_proxy_password_tunnels_through) {
    const std::string password = "pr0xy-s3cret";
    test_support::tinyproxy_process proxy("scanner", password);
    simulators::https_test_server server(certificates().server);
    const auto through_proxy = [&](const std::string& user, const std::string& secret) {
        auto settings = local_settings(server.port(), certificate_validation::none);
        settings.proxy = proxy_settings{"127.0.0.1", proxy.port(), user, secret};
        return impl_curl(settings);
    };
    for (const auto& [user, secret] :
         {std::pair<std::string, std::string>{"", ""}, {"scanner", "not-" + password}}) {
        SCOPED_TRACE(user);
        impl_curl refused = through_proxy(user, secret);
        test_support::expect_error<exceptions::connection_failed_with_proxy_auth>(
            [&] { refused.perform(request(method::get, "/"), generous_deadline()); },
            "The sensor could not connect to the proxy server. Authentication failed. (the proxy 127.0.0.1 "
            "port " +
                std::to_string(proxy.port()) + " answered CONNECT with " + (user.empty() ? "407" : "401") +
                ")");
    }
    EXPECT_EQ(server.requests(), 0u);

    impl_curl accepted = through_proxy("scanner", password);
    EXPECT_EQ(accepted.perform(request(method::get, "/"), generous_deadline()).status, 200);
    EXPECT_EQ(server.received().front().header_count("Proxy-Authorization"), 0u);
}

TEST(transport, an_expired_deadline_starts_nothing) {
    simulators::https_test_server server(certificates().server);
    impl_curl client(local_settings(server.port(), certificate_validation::none));
    const deadline expired(clock_type::now() - std::chrono::milliseconds(1), std::chrono::seconds(3));
    test_support::expect_error<deadline_exceeded>(
        [&] { client.perform(request(method::get, "/"), expired); },
        "An error occurred. The scan did not finish within its time-out of 3 s.");
    EXPECT_EQ(server.tcp_connections(), 0u);
}

// The client's own timeout is 30 s: the first call must end when its deadline does, and the second,
// waiting for the busy client, when its own (earlier) one does, while the first still holds the client.
TEST(transport, the_deadline_cuts_the_timeout_and_bounds_the_wait_for_a_busy_client) {
    simulators::silent_server silent;
    impl_curl client(local_settings(silent.port(), certificate_validation::none, 30));
    const auto first_start = clock_type::now();
    clock_type::time_point first_end;
    auto busy = std::async(std::launch::async, [&] {
        const deadline soon(first_start + std::chrono::milliseconds(600), std::chrono::seconds(1));
        auto text = text_of([&] { client.perform(request(method::get, "/"), soon); });
        first_end = clock_type::now();
        return text;
    });
    while (silent.connections() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const deadline sooner(clock_type::now() + std::chrono::milliseconds(100), std::chrono::seconds(2));
    EXPECT_EQ(text_of([&] { client.perform(request(method::get, "/"), sooner); }),
              "An error occurred. The scan did not finish within its time-out of 2 s. (waiting for another "
              "request on the connection to 127.0.0.1 to finish)");
    const auto second_end = clock_type::now();
    EXPECT_EQ(busy.get(),
              "An error occurred. The scan did not finish within its time-out of 1 s. (waiting for the TLS "
              "handshake)");
    EXPECT_LT(second_end, first_end) << "the second call gave up while the first still held the client";
    EXPECT_GE(first_end - first_start, std::chrono::milliseconds(600));
    EXPECT_LT(first_end - first_start, std::chrono::seconds(5)) << "ended by its deadline, not the 30 s timeout";
}

TEST(transport, an_answer_that_breaks_off_after_its_status_line_says_so) {
    simulators::https_test_server server(certificates().server, [](const simulators::http_request&) {
        simulators::http_answer answer{200, std::string(4000, 'x'), "application/json"};
        answer.cut_after = 100;
        return answer;
    });
    impl_curl client(local_settings(server.port(), certificate_validation::none));
    test_support::expect_error<exceptions::request_failed>(
        [&] { client.perform(request(method::post, "/api/jsonrpc", "[]"), generous_deadline()); },
        no_response + "200 (Successful). (the connection closed before the answer was complete)");
}

// A server that closes idle connections (here after 1 s, with TLS close_notify first, as web servers
// do after their keep-alive time): requests further apart than that must all succeed. libcurl 7.88
// counted each retry on such a dead connection per handle and failed the seventh request.
TEST(transport, connections_the_server_closed_while_idle_never_fail_a_request) {
    simulators::https_test_server server(certificates().server, {}, 0, std::chrono::seconds(1));
    impl_curl client(local_settings(server.port(), certificate_validation::none));
    constexpr int requests = 8;
    for (int i = 0; i < requests; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        SCOPED_TRACE(i);
        EXPECT_NO_THROW(client.perform(request(method::post, "/api/jsonrpc", "[]"), generous_deadline()));
    }
    EXPECT_EQ(server.requests(), static_cast<std::size_t>(requests)) << "no request sent twice";
    EXPECT_EQ(server.tcp_connections(), static_cast<std::size_t>(requests));
}

// A proxy that challenges every CONNECT (digest with stale=true) gets a handful, then a clear error;
// one that accepts after three challenges (as long as any scheme's exchange takes) still tunnels.
TEST(transport, a_proxy_that_challenges_every_connect_gets_a_handful_of_them) {
    simulators::stale_digest_proxy proxy;
    simulators::https_test_server server(certificates().server);
    auto settings = local_settings(server.port(), certificate_validation::none);
    settings.proxy = proxy_settings{"127.0.0.1", proxy.port(), "scanner", "pr0xy-s3cret"};
    impl_curl client(settings);
    test_support::expect_error<exceptions::connection_failed_with_proxy_auth>(
        [&] { client.perform(request(method::get, "/"), generous_deadline()); },
        "The sensor could not connect to the proxy server. Authentication failed. (the proxy 127.0.0.1 "
        "port " +
            std::to_string(proxy.port()) + " answered 4 CONNECT requests with 407; given up)");
    EXPECT_EQ(proxy.connect_requests(), 4u);
    EXPECT_EQ(server.requests(), 0u);

    simulators::stale_digest_proxy patient(3, server.port());
    settings.proxy->port = patient.port();
    impl_curl through(settings);
    EXPECT_EQ(through.perform(request(method::get, "/"), generous_deadline()).status, 200);
    EXPECT_EQ(patient.connect_requests(), 4u);
}

}  // namespace
