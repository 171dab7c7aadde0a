// The Web API session against a local HTTPS server that answers JSON-RPC as a device would: the
// login leading every batch, the token, the device's error codes, the one-time probe, the shared
// clients, and answers no device should send. The request forms meet the simulator end to end.

#include <gtest/gtest.h>

#include <mutex>
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

    // The device outlives the clients, so no kept-alive connection holds up its shutdown.
    scripted_device device;
    service_container container;
};

TEST_F(s7web_session_test, every_batch_starts_with_the_login_and_the_next_call_sends_its_token) {
    const auto session = client();
    session->ensure_api_supported(ten_seconds());
    const auto answers = session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0]->get_string("id"), "Plc.ReadOperatingMode");
    session->execute(s7web::request_batch(), ten_seconds());

    const auto requests = device.received();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].body, R"([{"id":"Api.Version","jsonrpc":"2.0","method":"Api.Version"}])");
    EXPECT_EQ(requests[0].header_count("X-Auth-Token"), 0u);
    EXPECT_EQ(requests[1].path, "/api/jsonrpc");
    EXPECT_EQ(requests[1].header("Content-Type"), "application/json; charset=utf-8");
    EXPECT_EQ(requests[1].header("Accept"), "application/json");
    EXPECT_EQ(requests[1].body,
              R"([{"id":"Api.Login","jsonrpc":"2.0","method":"Api.Login","params":{"password":"se:cr\"et","user":"diag"}},)"
              R"({"id":"Plc.ReadOperatingMode","jsonrpc":"2.0","method":"Plc.ReadOperatingMode"}])");
    EXPECT_EQ(requests[1].header_count("X-Auth-Token"), 0u);  // no login has succeeded before it
    // An empty batch is the login alone, as the credentials check sends it.
    EXPECT_EQ(requests[2].body, R"([{"id":"Api.Login","jsonrpc":"2.0","method":"Api.Login","params":{"password":"se:cr\"et","user":"diag"}}])");
    EXPECT_EQ(requests[2].header("X-Auth-Token"), "tok.en+1");
}

TEST_F(s7web_session_test, login_answers_map_to_success_or_their_error) {
    struct login_case {
        json error;  // null: no error member
        const char* expected;  // exception text, or nullptr for success
    };
    const login_case cases[] = {
        {nullptr, nullptr},
        {json{{"code", 101}, {"message", "Login successful, password change required"}}, nullptr},
        {json{{"code", 3}}, "The user name or password are invalid."},
        {json{{"code", 7}}, "The user name or password are invalid."},
        {json{{"code", 100}}, "The user name or password are invalid."},
    };
    for (const auto& login : cases) {
        SCOPED_TRACE(login.error.dump());
        device.answer_with([&](const json& batch) {
            json answers = scripted_device::usual(batch);
            if (!login.error.is_null()) answers[0]["error"] = login.error;
            return scripted_device::json_answer(answers);
        });
        const auto session = client();
        if (login.expected) {
            test_support::expect_error<s7_errors::api_login_failed>([&] { session->execute({}, ten_seconds()); },
                                                                    login.expected);
        } else {
            EXPECT_TRUE(session->execute({}, ten_seconds()).empty());
        }
    }
    device.answer_with([](const json&) {
        return scripted_device::json_answer(json::array({{{"id", "Api.Login"}, {"jsonrpc", "2.0"}, {"error", {{"code", 105}}}}}));
    });
    EXPECT_THROW(client()->execute({}, ten_seconds()), s7_errors::api_login_infrastructure_error);
}

TEST_F(s7web_session_test, a_login_without_token_keeps_the_stored_one) {
    const auto session = client();
    session->execute({}, ten_seconds());
    device.answer_with([](const json&) {
        return scripted_device::json_answer(json::array({{{"id", "Api.Login"}, {"jsonrpc", "2.0"}, {"result", true}}}));
    });
    session->execute({}, ten_seconds());
    session->execute({}, ten_seconds());
    EXPECT_EQ(device.received().back().header("X-Auth-Token"), "tok.en+1");
}

TEST_F(s7web_session_test, answers_are_found_by_id_and_error_2_anywhere_denies) {
    device.answer_with([](const json& batch) {
        json answers = scripted_device::usual(batch);
        std::reverse(answers.begin(), answers.end());
        return scripted_device::json_answer(answers);
    });
    const auto session = client();
    const auto answers =
        session->execute(s7web::request_batch().add("Plc.ReadOperatingMode").add("Plc.ReadRuntimeInformation"), ten_seconds());
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(answers[0]->get_string("id"), "Plc.ReadRuntimeInformation");
    EXPECT_EQ(answers[1]->get_string("id"), "Plc.ReadOperatingMode");

    device.answer_with([](const json& batch) {
        json reply = scripted_device::usual(batch);
        reply[2] = {{"id", reply[2]["id"]}, {"jsonrpc", "2.0"}, {"error", {{"code", 2}}}};
        return scripted_device::json_answer(reply);
    });
    EXPECT_THROW(session->execute(s7web::request_batch().add("Plc.ReadOperatingMode").add("Plc.ReadRuntimeInformation"),
                                  ten_seconds()),
                 s7_errors::api_permission_denied);
}

TEST_F(s7web_session_test, the_probe_runs_once_per_client_and_fails_for_anything_but_a_json_rpc_answer) {
    const auto session = client();
    session->ensure_api_supported(ten_seconds());
    session->ensure_api_supported(ten_seconds());
    EXPECT_EQ(device.received().size(), 1u);

    const std::pair<const char*, http_answer> failing[] = {
        {"empty array", scripted_device::json_answer(json::array())},
        {"version 1.0", scripted_device::json_answer(json::array({{{"id", "Api.Version"}, {"jsonrpc", "1.0"}, {"result", 3}}}))},
        {"404", http_answer{404, "not here", "text/plain", {}}},
        {"HTML", http_answer{200, "<html>web server</html>", "text/html", {}}},
    };
    for (const auto& [name, reply] : failing) {
        SCOPED_TRACE(name);
        device.answer_with([reply = reply](const json&) { return reply; });
        const auto fresh = client(name);  // another password: another client, not yet probed
        EXPECT_THROW(fresh->ensure_api_supported(ten_seconds()), s7_errors::api_protocol_not_supported);
    }
    const auto unreachable = s7web::acquire_s7web_client(container, target(1));
    EXPECT_THROW(unreachable->ensure_api_supported(ten_seconds()), s7_errors::api_protocol_not_supported);
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
