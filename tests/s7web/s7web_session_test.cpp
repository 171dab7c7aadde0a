// The Web API session against a local HTTPS server that answers JSON-RPC as a device would: one
// login per client while its token is live, the retry after error 2, the strict login verdict and
// the tokens kept, one login for concurrent scans, the logout on release, the device's error codes,
// the one-time probe, the shared clients, and answers no device should send. The request forms meet
// the simulator end to end.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <nlohmann/json.hpp>

#include "libparser/exceptions.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/rest_helper_factory.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/acquire_s7web_client.hpp"
#include "simulators/https_server/https_test_server.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace s7web = korvel::probekit::s7::s7web;
namespace s7_errors = korvel::probekit::s7::exceptions;
namespace rest_errors = korvel::probekit::libresthelper::exceptions;
namespace parser_errors = korvel::probekit::libparser::exceptions;
using korvel::probekit::libdeadline::deadline;
using korvel::probekit::libresthelper::certificate_validation;
using korvel::probekit::libresthelper::proxy_settings;
using korvel::probekit::libresthelper::rest_interface;
using korvel::probekit::libvexahelper::module::service_container;
using korvel::probekit::simulators::http_answer;
using korvel::probekit::simulators::http_request;
using korvel::probekit::simulators::https_test_server;
using nlohmann::json;

const auto& certificates() {
    static const auto set = korvel::probekit::simulators::generate_test_certificates();
    return set;
}

deadline ten_seconds() {
    return deadline::after(std::chrono::seconds(10));
}

// A device whose answers the test sets: by default it logs in with a token and answers every other
// request with an empty result, each answer under its request's id.
class scripted_device {
public:
    using script = std::function<http_answer(const json& batch)>;

    scripted_device() : server_(certificates().server, [this](const http_request& request) { return answer(request); }) {}

    void answer_with(script replies) {
        std::lock_guard lock(mutex_);
        script_ = std::move(replies);
    }
    std::uint16_t port() const { return server_.port(); }
    std::vector<http_request> received() const { return server_.received(); }

    static http_answer json_answer(const json& body) { return {200, body.dump(), "application/json", {}}; }

    // The usual answers: a token for the login, "result": {} for everything else.
    static json usual(const json& batch) {
        json answers = json::array();
        for (const auto& request : batch) {
            json element{{"id", request.at("id")}, {"jsonrpc", "2.0"}};
            element["result"] = request.at("method") == "Api.Login" ? json{{"token", "tok.en+1"}} : json::object();
            answers.push_back(element);
        }
        return answers;
    }

private:
    http_answer answer(const http_request& request) {
        std::lock_guard lock(mutex_);
        const json batch = json::parse(request.body);
        return script_ ? script_(batch) : json_answer(usual(batch));
    }

    std::mutex mutex_;
    script script_;
    https_test_server server_;
};

class s7web_session_test : public ::testing::Test {
protected:
    void SetUp() override {
        container.add_factory(korvel::probekit::libresthelper::get_rest_helper_factory());
        container.add_factory(s7web::get_s7web_client_factory());
    }

    s7web::s7web_target target(std::uint16_t port, const std::string& password = "se:cr\"et") const {
        s7web::s7web_target where;
        where.host = "127.0.0.1";
        where.port = port;
        where.validation = certificate_validation::none;
        where.username = "diag";
        where.password = password;
        return where;
    }

    std::shared_ptr<s7web::s7web_client> client(const std::string& password = "se:cr\"et") {
        return s7web::acquire_s7web_client(container, target(device.port(), password));
    }

    // The REST settings acquire_s7web_client uses for the device.
    korvel::probekit::libresthelper::settings rest_settings() const {
        korvel::probekit::libresthelper::settings rest(korvel::probekit::libresthelper::url("https", "127.0.0.1", device.port()));
        rest.default_headers.emplace("Accept", "application/json");
        rest.timeout = 30;
        rest.certificate_validation = certificate_validation::none;
        return rest;
    }

    // The device outlives the clients, so no kept-alive connection holds up its shutdown.
    scripted_device device;
    service_container container;
};

constexpr const char* login_body =
    R"({"id":"Api.Login","jsonrpc":"2.0","method":"Api.Login","params":{"password":"se:cr\"et","user":"diag"}})";
constexpr const char* read_body = R"({"id":"Plc.ReadOperatingMode","jsonrpc":"2.0","method":"Plc.ReadOperatingMode"})";

bool logs_in(const http_request& request) {
    return request.body.find("\"Api.Login\"") != std::string::npos;
}

std::size_t logins_in(const std::vector<http_request>& requests) {
    return static_cast<std::size_t>(std::count_if(requests.begin(), requests.end(), logs_in));
}

// A device whose session ended: every request but the login is refused with error 2 unless the batch
// logs in first.
http_answer session_ended(const json& batch) {
    json answers = scripted_device::usual(batch);
    const bool with_login = batch.at(0).at("method") == "Api.Login";
    for (auto& answer : answers) {
        if (!with_login) answer = {{"id", answer["id"]}, {"jsonrpc", "2.0"}, {"error", {{"code", 2}}}};
    }
    return scripted_device::json_answer(answers);
}

TEST_F(s7web_session_test, a_client_logs_in_once_and_sends_its_token_alone_while_it_is_at_most_90_s_old) {
    auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
    s7web::s7web_client session({container.get<rest_interface>(rest_settings()), "diag", "se:cr\"et"}, nullptr,
                                [&now] { return now; });
    session.ensure_api_supported(ten_seconds());
    const auto answers = session.execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0]->get_string("id"), "Plc.ReadOperatingMode");
    now += std::chrono::seconds(90);
    session.execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());
    now += std::chrono::seconds(90) + std::chrono::milliseconds(1);
    session.execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());

    const auto requests = device.received();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].body, R"([{"id":"Api.Version","jsonrpc":"2.0","method":"Api.Version"}])");
    EXPECT_EQ(requests[0].header_count("X-Auth-Token"), 0u);
    EXPECT_EQ(requests[1].path, "/api/jsonrpc");
    EXPECT_EQ(requests[1].header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(requests[1].header("Accept"), "application/json");
    EXPECT_EQ(requests[1].body, std::string("[") + login_body + "," + read_body + "]");
    EXPECT_EQ(requests[1].header_count("X-Auth-Token"), 0u);
    // 90 s after its last use the token still goes alone; 90 s and a millisecond after, a login leads.
    EXPECT_EQ(requests[2].body, std::string("[") + read_body + "]");
    EXPECT_EQ(requests[2].header("X-Auth-Token"), "tok.en+1");
    EXPECT_EQ(requests[3].body, std::string("[") + login_body + "," + read_body + "]");
    EXPECT_EQ(requests[3].header_count("X-Auth-Token"), 0u);
}

TEST_F(s7web_session_test, error_2_on_the_token_alone_logs_in_once_more_and_only_after_a_fresh_login_denies) {
    const auto session = client();
    session->execute({}, ten_seconds());
    device.answer_with(session_ended);
    const auto answers = session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());
    ASSERT_EQ(answers.size(), 1u);
    auto requests = device.received();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].body, std::string("[") + read_body + "]");
    EXPECT_EQ(requests[2].body, std::string("[") + login_body + "," + read_body + "]");

    // Error 2 after the login too: the user lacks the right; one retry, not more.
    device.answer_with([](const json& batch) {
        json refused = scripted_device::usual(batch);
        for (auto& answer : refused) {
            if (answer["id"] != "Api.Login") answer = {{"id", answer["id"]}, {"jsonrpc", "2.0"}, {"error", {{"code", 2}}}};
        }
        return scripted_device::json_answer(refused);
    });
    const std::string denied =
        "The current user does not have the appropriate access rights to perform this operation. Enter a user "
        "account with 'read_diagnostics' permissions. (Plc.ReadOperatingMode error 2: the user lacks the right for "
        "this request, or the session has ended)";
    test_support::expect_error<s7_errors::api_permission_denied>(
        [&] { session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds()); }, denied);
    EXPECT_EQ(device.received().size(), 5u) << "the token alone, then once with a login";
    // A call that logged in itself and is refused is not sent again.
    const auto fresh = client("another");
    test_support::expect_error<s7_errors::api_permission_denied>(
        [&] { fresh->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds()); }, denied);
    EXPECT_EQ(device.received().size(), 6u);
}

TEST_F(s7web_session_test, the_login_verdict_is_read_strictly_and_only_a_usable_token_is_kept) {
    struct login_case {
        const char* name;
        json answers;     // the device's whole answer to the login batch
        const char* expected;  // the exception's text, or nullptr for success
    };
    const auto login = [](json member) {
        json answer{{"id", "Api.Login"}, {"jsonrpc", "2.0"}};
        answer.update(member);
        return json::array({answer});
    };
    const std::string token_256(256, 'T');
    const char* invalid = "The user name or password are invalid.";
    const char* unexpected = "An unexpected error occurred while communicating with the S7 Web API.";
    const char* unreached = "Veltra could not reach the authentication server.";
    const std::vector<login_case> cases{
        {"token", login({{"result", {{"token", "tok.en+1"}}}}), nullptr},
        {"101 with a token", login({{"error", {{"code", 101}}}, {"result", {{"token", "tok.en+1"}}}}), nullptr},
        {"256 characters", login({{"result", {{"token", token_256}}}}), nullptr},
        {"257 characters", login({{"result", {{"token", token_256 + "T"}}}}), "(Api.Login answered without a usable token)"},
        {"CR LF", login({{"result", {{"token", "tok\r\nX-Evil: 1"}}}}), "(Api.Login answered without a usable token)"},
        {"space", login({{"result", {{"token", "tok en"}}}}), "(Api.Login answered without a usable token)"},
        {"no token", login({{"result", true}}), "(Api.Login answered without a usable token)"},
        {"empty answer", json::array(), "(no answer to Api.Login)"},
        {"no login answer", json::array({{{"id", "other"}, {"jsonrpc", "2.0"}, {"result", true}}}), "(no answer to Api.Login)"},
        {"code 100.0", login({{"error", {{"code", 100.0}}}}), "(Api.Login answered an error without an integer code)"},
        {"code \"100\"", login({{"error", {{"code", "100"}}}}), "(Api.Login answered an error without an integer code)"},
        {"error text", login({{"error", "Login failed"}}), "(Api.Login answered an error without an integer code)"},
        {"code 3", login({{"error", {{"code", 3}}}}), "(Api.Login error 3: the controller is busy)"},
        {"code 100", login({{"error", {{"code", 100}}}}), "(Api.Login error 100: the controller refused the user name or password)"},
        {"code 105", login({{"error", {{"code", 105}}}}), "(Api.Login error 105: the user management server could not be reached)"},
    };
    for (const auto& [name, answers, expected] : cases) {
        SCOPED_TRACE(name);
        device.answer_with([answers = answers](const json&) { return scripted_device::json_answer(answers); });
        const auto session = client(name);  // a client of its own: no token yet
        try {
            session->execute({}, ten_seconds());
            EXPECT_EQ(expected, nullptr);
        } catch (const korvel::probekit::libi18n::i18n_exception& error) {
            ASSERT_NE(expected, nullptr) << error.what();
            const std::string text = error.what();
            EXPECT_TRUE(text.ends_with(expected)) << text;
            const bool unreadable = std::string(expected).find("integer") != std::string::npos ||
                                    std::string(expected).find("no answer") != std::string::npos;
            const bool unreachable = std::string(expected).find("105") != std::string::npos;
            EXPECT_TRUE(text.starts_with(unreadable ? unexpected : unreachable ? unreached : invalid)) << text;
        }
        // Only a kept token goes alone with the next call.
        device.answer_with(nullptr);
        session->execute({}, ten_seconds());
        EXPECT_EQ(logs_in(device.received().back()), expected != nullptr);
    }
    device.answer_with([](const json&) {
        return scripted_device::json_answer(json::array({{{"id", "Api.Login"}, {"jsonrpc", "2.0"}, {"error", {{"code", 4}}}}}));
    });
    test_support::expect_error<s7_errors::api_login_no_resources>(
        [&] { client("full")->execute({}, ten_seconds()); },
        "The Veltra core server system does not have the required resources to carry out this request. Try again "
        "when more resources are available. (Api.Login error 4: the controller has no free Web API session)");
}

TEST_F(s7web_session_test, scans_sharing_a_client_log_in_once_and_a_waiter_gives_up_at_its_deadline) {
    device.answer_with([](const json& batch) {
        if (batch.at(0).at("method") == "Api.Login") std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return scripted_device::json_answer(scripted_device::usual(batch));
    });
    const auto session = client();
    std::atomic<int> failures{0};
    std::vector<std::thread> scans;
    for (int index = 0; index < 8; ++index) {
        scans.emplace_back([&] {
            try {
                session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());
            } catch (...) {
                ++failures;
            }
        });
    }
    for (auto& scan : scans) scan.join();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(logins_in(device.received()), 1u);
    EXPECT_EQ(device.received().size(), 8u);

    // A scan whose deadline comes before the other's login ends waits no longer than its deadline.
    const auto other = client("other");
    std::thread logging_in([&] { other->execute({}, ten_seconds()); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const deadline short_one(std::chrono::steady_clock::now() + std::chrono::milliseconds(200), std::chrono::seconds(1));
    EXPECT_THROW(other->execute({}, short_one), korvel::probekit::libdeadline::deadline_exceeded);
    EXPECT_LT(std::chrono::steady_clock::now(), short_one.at() + std::chrono::milliseconds(250));
    logging_in.join();
}

TEST_F(s7web_session_test, the_last_holder_logs_the_session_out_within_2_s_and_a_failure_is_only_logged) {
    client()->execute({}, ten_seconds());  // released at once
    auto requests = device.received();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].body, R"([{"id":"Api.Logout","jsonrpc":"2.0","method":"Api.Logout"}])");
    EXPECT_EQ(requests[1].header("X-Auth-Token"), "tok.en+1");
    client();  // no token, no logout
    EXPECT_EQ(device.received().size(), 2u);

    struct recording_log final : korvel::probekit::liblog::log_interface {
        void log(int level, const std::string& message) override { lines.emplace_back(level, message); }
        std::vector<std::pair<int, std::string>> lines;
    };
    const auto log = std::make_shared<recording_log>();
    auto session = std::make_unique<s7web::s7web_client>(
        s7web::s7web_client_settings{container.get<rest_interface>(rest_settings()), "diag", "se:cr\"et"}, log);
    session->execute({}, ten_seconds());
    device.answer_with([](const json&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2600));
        return http_answer{500, "busy", "text/plain", {}};
    });
    const auto released = std::chrono::steady_clock::now();
    session.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::milliseconds(2500));
    ASSERT_EQ(log->lines.size(), 1u);
    EXPECT_EQ(log->lines[0].first, 4);
    EXPECT_TRUE(log->lines[0].second.starts_with("The Web API session could not be logged out: ")) << log->lines[0].second;
    EXPECT_EQ(log->lines[0].second.find("se:cr"), std::string::npos);
}

// A REST client that cannot carry the token header, as libcurl refuses a header it cannot add: the
// token is dropped, so the next call logs in instead of failing alike for ever.
TEST(s7web_session, a_request_that_cannot_carry_the_token_drops_it) {
    class refusing_header final : public rest_interface {
    public:
        korvel::probekit::libresthelper::response perform(const korvel::probekit::libresthelper::request& request,
                                                           const deadline&) override {
            if (request.headers.contains("X-Auth-Token"))
                throw rest_errors::add_header_failed(std::string("X-Auth-Token"));
            ++logins;
            return {200, R"([{"id":"Api.Login","jsonrpc":"2.0","result":{"token":"tok.en+1"}}])", {}, {}};
        }
        int logins = 0;
    };
    const auto rest = std::make_shared<refusing_header>();
    s7web::s7web_client session({rest, "diag", "x"});
    session.execute({}, ten_seconds());
    EXPECT_THROW(session.execute({}, ten_seconds()), rest_errors::add_header_failed);
    session.execute({}, ten_seconds());
    EXPECT_EQ(rest->logins, 2);
}

TEST_F(s7web_session_test, answers_are_found_by_id) {
    device.answer_with([](const json& batch) {
        json answers = scripted_device::usual(batch);
        std::reverse(answers.begin(), answers.end());
        return scripted_device::json_answer(answers);
    });
    const auto answers = client()->execute(
        s7web::request_batch().add("Plc.ReadOperatingMode").add("Plc.ReadRuntimeInformation"), ten_seconds());
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0]->get_string("id"), "Plc.ReadRuntimeInformation");
    EXPECT_EQ(answers[1]->get_string("id"), "Plc.ReadOperatingMode");
}

TEST_F(s7web_session_test, the_probe_runs_once_per_client_and_fails_for_anything_but_a_json_rpc_answer) {
    const auto session = client();
    session->ensure_api_supported(ten_seconds());
    session->ensure_api_supported(ten_seconds());
    EXPECT_EQ(device.received().size(), 1u);

    // Each way of not being a Web API says which it was, after the catalogue text.
    const std::tuple<const char*, http_answer, const char*> failing[] = {
        {"empty array", scripted_device::json_answer(json::array()), " (no JSON-RPC answer to Api.Version)"},
        {"version 1.0", scripted_device::json_answer(json::array({{{"id", "Api.Version"}, {"jsonrpc", "1.0"}, {"result", 3}}})),
         " (no JSON-RPC answer to Api.Version)"},
        {"404", http_answer{404, "not here", "text/plain", {}}, " (HTTP 404)"},
        {"HTML", http_answer{200, "<html>web server</html>", "text/html", {}},
         " (the answer to Api.Version is not JSON-RPC)"},
    };
    const auto cause_of = [](s7web::s7web_client& fresh) {
        try {
            fresh.ensure_api_supported(ten_seconds());
        } catch (const s7_errors::api_protocol_not_supported& error) {
            return error.get_message().cause();
        }
        return std::string("supported");
    };
    for (const auto& [name, reply, cause] : failing) {
        SCOPED_TRACE(name);
        device.answer_with([reply = reply](const json&) { return reply; });
        const auto fresh = client(name);  // another password: another client, not yet probed
        EXPECT_EQ(cause_of(*fresh), cause);
    }
    const auto unreachable = s7web::acquire_s7web_client(container, target(1));
    EXPECT_THAT(cause_of(*unreachable), testing::StartsWith(" (connection refused by 127.0.0.1 port "));
}

TEST_F(s7web_session_test, status_errors_surface_after_the_probe) {
    const auto session = client();
    session->ensure_api_supported(ten_seconds());
    device.answer_with([](const json&) { return http_answer{401, "who are you", "text/plain", {}}; });
    EXPECT_THROW(session->execute({}, ten_seconds()), rest_errors::authentication_failed);
    device.answer_with([](const json&) { return http_answer{429, "slow down", "text/plain", {}}; });
    EXPECT_THROW(session->execute({}, ten_seconds()), rest_errors::too_many_requests);
}

TEST_F(s7web_session_test, equal_targets_share_both_clients_and_a_proxy_password_makes_another) {
    auto with_proxy = [&](const std::string& proxy_password) {
        auto where = target(device.port());
        where.proxy = proxy_settings{"proxy.invalid", 3128, "scanner", proxy_password};
        return s7web::acquire_s7web_client(container, where);
    };
    const auto first = with_proxy("one");
    EXPECT_EQ(first, with_proxy("one"));
    EXPECT_NE(first, with_proxy("two"));
    EXPECT_EQ(client(), client());
}

TEST_F(s7web_session_test, answers_no_device_should_send_end_in_a_clear_exception) {
    const auto session = client();
    session->ensure_api_supported(ten_seconds());
    const std::pair<const char*, std::string> bodies[] = {
        {"not JSON", "{\"id\": "},
        {"an object", R"({"id":"Api.Login","jsonrpc":"2.0","result":{"token":"t"}})"},
        {"numbers", "[1,2,3]"},
        {"no id", R"([{"jsonrpc":"2.0","result":{}}])"},
        {"10 MB", "[\"" + std::string(10 * 1024 * 1024, 'x') + "\"]"},
    };
    for (const auto& [name, body] : bodies) {
        SCOPED_TRACE(name);
        device.answer_with([body = body](const json&) { return http_answer{200, body, "application/json", {}}; });
        try {
            session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());
            ADD_FAILURE() << "no exception";
        } catch (const korvel::probekit::libi18n::i18n_exception& error) {
            EXPECT_FALSE(std::string(error.what()).empty());
        }
    }
}

}  // namespace
