// The simulated controller over real HTTPS, through the module's own Web API session: one login per
// client and the token, the session table's cap and lifetime, logout, rights, security events and
// restarts, run-time changes, and injected failures the sensors' end-to-end tests do not use. What the shipped scenarios answer to the
// sensors' requests is shown by those tests (tests/s7web_sensors/end_to_end_test.cpp).

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "libresthelper/exceptions.hpp"
#include "libresthelper/rest_helper_factory.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/acquire_s7web_client.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace s7web = korvel::probekit::s7::s7web;
namespace s7_errors = korvel::probekit::s7::exceptions;
namespace rest = korvel::probekit::libresthelper;
namespace simulators = korvel::probekit::simulators;
using korvel::probekit::libdeadline::deadline;
using nlohmann::json;

constexpr const char* password = "Diag.Pass+1";

simulators::s7web_scenario scenario(const std::string& file) {
    return simulators::load_scenario_file(std::string(SCENARIO_DIR) + "/" + file);
}

deadline ten_seconds() {
    return deadline::after(std::chrono::seconds(10));
}

// Holds the simulator in a member declared before the container, so it outlives the clients and no
// kept-alive connection holds up its shutdown.
class simulated_controller {
public:
    explicit simulated_controller(simulators::s7web_scenario played) : simulator(std::move(played)) {
        container.add_factory(rest::get_rest_helper_factory());
        container.add_factory(s7web::get_s7web_client_factory());
    }

    std::shared_ptr<s7web::s7web_client> client(const std::string& user = "diag",
                                                const std::string& secret = password) {
        s7web::s7web_target target;
        target.host = "127.0.0.1";
        target.port = simulator.port();
        target.validation = rest::certificate_validation::none;
        target.username = user;
        target.password = secret;
        return s7web::acquire_s7web_client(container, target);
    }

    // The answers to a body POSTed as it is, without the session's login, with a token when given.
    json post(const std::string& body, std::int64_t timeout_seconds = 10, const std::string& token = {}) {
        rest::settings settings(rest::url("https", "127.0.0.1", simulator.port()));
        settings.certificate_validation = rest::certificate_validation::none;
        settings.timeout = timeout_seconds;
        rest::request request{rest::method::post, "/api/jsonrpc", body, "application/json"};
        if (!token.empty()) request.headers.emplace("X-Auth-Token", token);
        const auto response = container.get<rest::rest_interface>(settings)->perform(request, ten_seconds());
        return json::parse(response.body);
    }

    simulators::s7web_api_simulator simulator;
    korvel::probekit::libvexahelper::module::service_container container;
};

TEST(s7web_simulator, a_client_logs_in_once_and_its_token_keeps_its_one_session) {
    simulated_controller controller(scenario("s7_1500_standard.json"));
    const auto session = controller.client();
    session->ensure_api_supported(ten_seconds());
    const auto answers = session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers.front()->get_string("result"), "run");
    session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());

    EXPECT_EQ(controller.simulator.batches(), 3u);
    EXPECT_EQ(controller.simulator.requests(), 4u);  // the probe, a login and a read, a read
    EXPECT_EQ(controller.simulator.logins(), 1u);
    EXPECT_EQ(controller.simulator.session_users(), std::vector<std::string>{"diag"});
    const auto requests = controller.simulator.received();
    EXPECT_EQ(requests[1].header_count("X-Auth-Token"), 0u);
    EXPECT_EQ(requests[2].header("X-Auth-Token").size(), 28u);

    // No token and no login grant no rights; a refused login takes them from the requests after it.
    const std::string read = R"({"id":"read","jsonrpc":"2.0","method":"Plc.ReadOperatingMode"})";
    const std::string denied =
        R"({"jsonrpc":"2.0","id":"read","error":{"code":2,"message":"Permission denied"}})";
    EXPECT_EQ(controller.post("[" + read + "]"), json::parse("[" + denied + "]"));
    const std::string wrong_login =
        R"({"id":"Api.Login","jsonrpc":"2.0","method":"Api.Login","params":{"user":"diag","password":"wrong"}})";
    EXPECT_EQ(
        controller.post("[" + wrong_login + "," + read + "]"),
        json::parse(R"([{"jsonrpc":"2.0","id":"Api.Login","error":{"code":100,"message":"Login Failed"}},)" +
                    denied + "]"));
    // Requests no sensor sends get the JSON-RPC errors.
    EXPECT_EQ(controller.post("nonsense"),
              json::parse(R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})"));
    EXPECT_EQ(
        controller.post(R"([{"id":"b","jsonrpc":"2.0","method":"Plc.Explode"}])"),
        json::parse(R"([{"jsonrpc":"2.0","id":"b","error":{"code":-32601,"message":"Method not found"}}])"));
}

TEST(s7web_simulator, refused_logins_and_missing_rights_end_in_the_session_errors) {
    simulated_controller controller(scenario("s7_1500_standard.json"));
    test_support::expect_error<s7_errors::api_login_failed>(
        [&] { controller.client("diag", "wrong")->execute({}, ten_seconds()); },
        "The user name or password are invalid. (Api.Login error 100: the controller refused the user name or "
        "password)");
    EXPECT_THROW(controller.client("nobody", password)->execute({}, ten_seconds()),
                 s7_errors::api_login_failed);
    EXPECT_THROW(controller.client("guest", "guest")
                     ->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds()),
                 s7_errors::api_permission_denied);
    controller.simulator.set_failures({.login_error = 105});
    EXPECT_THROW(controller.client()->execute({}, ten_seconds()), s7_errors::api_login_infrastructure_error);
    EXPECT_EQ(controller.simulator.logins(), 1u);  // the guest's
    EXPECT_EQ(controller.simulator.refused_logins(), 3u);
}

TEST(s7web_simulator, the_session_table_refuses_logins_past_its_cap_until_sessions_expire) {
    auto one_short_session = scenario("s7_1500_standard.json");
    one_short_session.sessions = {std::chrono::milliseconds(300), 1};
    simulated_controller controller(one_short_session);
    const auto holder = controller.client();
    holder->execute({}, ten_seconds());
    const auto session = controller.client("guest", "guest");
    EXPECT_THROW(session->execute({}, ten_seconds()), s7_errors::api_login_no_resources);
    EXPECT_EQ(controller.simulator.refused_logins(), 1u);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (controller.simulator.live_sessions() > 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(controller.simulator.live_sessions(), 0u);
    EXPECT_NO_THROW(session->execute({}, ten_seconds()));
    // The holder's token has expired on the device: its next call is refused, logs in and succeeds
    // once the guest's session has gone too.
    while (controller.simulator.live_sessions() > 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NO_THROW(holder->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds()));
    EXPECT_EQ(controller.simulator.logins(), 3u);
}

TEST(s7web_simulator, logins_write_security_events_logout_ends_a_session_and_a_restart_ends_them_all) {
    auto restarting = scenario("s7_1500_standard.json");
    restarting.users.push_back({"reader", "r", {"read_diagnostics", "read_value"}});
    simulated_controller controller(restarting);
    const std::string login =
        R"({"id":"Api.Login","jsonrpc":"2.0","method":"Api.Login","params":{"user":"reader","password":"r"}})";
    const std::string rights = R"({"id":"rights","jsonrpc":"2.0","method":"Api.GetPermissions"})";
    const std::string newest =
        R"({"id":"newest","jsonrpc":"2.0","method":"DiagnosticBuffer.Browse","params":{"count":1}})";
    const std::string ping = R"([{"id":"ping","jsonrpc":"2.0","method":"Api.Ping"}])";
    const std::string logout = R"([{"id":"out","jsonrpc":"2.0","method":"Api.Logout"}])";

    const json answers = controller.post("[" + login + "," + rights + "," + newest + "]");
    const std::string token = answers[0]["result"]["token"];
    EXPECT_EQ(answers[1]["result"], json::parse(R"([{"name":"read_diagnostics"},{"name":"read_value"}])"));
    const json& event = answers[2]["result"]["entries"][0];
    EXPECT_EQ(event["event"], json::parse(R"({"textlist_id":2,"text_id":26640})"));
    EXPECT_GT(event["timestamp"].get<std::string>(), "2024-05-14T08:12:03.511854547Z") << "newest first";
    EXPECT_EQ(controller.simulator.security_events(), 1u);
    // Rights and a logout need a live session.
    EXPECT_EQ(controller.post("[" + rights + "]")[0]["error"]["code"], 2);
    EXPECT_EQ(controller.post(logout)[0]["error"]["code"], 2);
    EXPECT_EQ(controller.post(logout, 10, token)[0]["result"], true);
    EXPECT_EQ(controller.simulator.live_sessions(), 0u);
    EXPECT_EQ(controller.post("[" + rights + "]", 10, token)[0]["error"]["code"], 2) << "logged out";
    EXPECT_EQ(controller.simulator.logouts(), 1u);

    // A restart ends every session and changes the CPU id; a client logs in again on its next call.
    const auto session = controller.client();
    session->execute({}, ten_seconds());
    const std::string before = controller.post(ping)[0]["result"];
    EXPECT_EQ(before, controller.simulator.cpu_id());
    controller.simulator.restart();
    EXPECT_EQ(controller.simulator.live_sessions(), 0u);
    EXPECT_NE(controller.post(ping)[0]["result"], before);
    EXPECT_NO_THROW(session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds()));
    EXPECT_EQ(controller.simulator.logins(), 3u);
    EXPECT_EQ(controller.simulator.security_events(), 3u);

    // The scenario's own restarts.
    controller.simulator.change([](auto& played) { played.restart_every = std::chrono::milliseconds(100); });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    controller.post(ping);
    EXPECT_EQ(controller.simulator.restarts(), 2u);
    EXPECT_EQ(controller.simulator.live_sessions(), 0u);
}

TEST(s7web_simulator, run_time_changes_show_in_the_next_answers) {
    simulated_controller controller(scenario("plant_deep_hardware.json"));
    const auto session = controller.client();
    controller.simulator.set_operating_mode("stop");
    controller.simulator.set_module_status(333, {.own = "error", .subordinate = "good"});
    controller.simulator.change([](simulators::s7web_scenario& played) {
        played.missing_methods.insert("Plc.ReadModeSelectorState");
    });
    const auto answers = session->execute(s7web::request_batch()
                                              .add("Plc.ReadOperatingMode")
                                              .add("Plc.ReadModeSelectorState")
                                              .add_modules_read_status(333),
                                          ten_seconds());
    ASSERT_EQ(answers.size(), 3u);
    EXPECT_EQ(answers[0]->get_string("result"), "stop");
    EXPECT_EQ(answers[1]->get_int64("error.code"), -32601);
    EXPECT_EQ(answers[2]->get_string("result.status.own"), "error");
    EXPECT_THROW(controller.simulator.set_operating_mode("run", 2), std::out_of_range);
    EXPECT_THROW(controller.simulator.set_module_status(9999, {}), std::out_of_range);
}

TEST(s7web_simulator, a_slow_answer_reaches_the_client_as_its_timeout) {
    simulated_controller controller(scenario("s7_1500_standard.json"));
    controller.simulator.set_failures({.delay = std::chrono::seconds(20)});
    EXPECT_THROW(controller.post("[]", 1), rest::exceptions::request_timeout);
}

}  // namespace
