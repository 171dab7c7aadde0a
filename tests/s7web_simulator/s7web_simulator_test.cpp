// The simulated controller over real HTTPS, through the module's own Web API session: a login in
// every batch and the token, answers by id, every method the sensors use in every shipped scenario,
// the session table's cap and lifetime, run-time changes, and injected failures.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <regex>
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
namespace rest_errors = korvel::probekit::libresthelper::exceptions;
namespace simulators = korvel::probekit::simulators;
using korvel::probekit::libdeadline::deadline;
using korvel::probekit::libparser::parser_interface;
using korvel::probekit::libresthelper::certificate_validation;
using korvel::probekit::libresthelper::rest_interface;
using korvel::probekit::libvexahelper::module::service_container;
using nlohmann::json;

constexpr const char* password = "Diag.Pass+1";

simulators::s7web_scenario scenario(const std::string& file) {
    return simulators::load_scenario_file(std::string(SCENARIO_DIR) + "/" + file);
}

simulators::s7web_scenario standard(std::size_t max_sessions = 50,
                                    std::chrono::milliseconds lifetime = std::chrono::minutes(2)) {
    auto made = scenario("s7_1500_standard.json");
    made.sessions = {lifetime, max_sessions};
    return made;
}

deadline ten_seconds() {
    return deadline::after(std::chrono::seconds(10));
}

using answers_by_id = std::map<std::string, std::unique_ptr<parser_interface>>;

answers_by_id by_id(s7web::s7web_client::answers answers) {
    answers_by_id found;
    for (auto& answer : answers) {
        const std::string id = answer->get_string("id");
        EXPECT_TRUE(found.emplace(id, std::move(answer)).second) << "answered twice: " << id;
    }
    return found;
}

std::int64_t error_code(const parser_interface& answer) {
    return answer.designates("error.code") ? answer.get_int64("error.code") : 0;
}

// Holds the simulator in a member declared before the container, so it outlives the clients and no
// kept-alive connection holds up its shutdown.
class simulated_controller {
public:
    explicit simulated_controller(simulators::s7web_scenario played) : simulator(std::move(played)) {
        container.add_factory(korvel::probekit::libresthelper::get_rest_helper_factory());
        container.add_factory(s7web::get_s7web_client_factory());
    }

    std::shared_ptr<s7web::s7web_client> client(const std::string& user = "diag",
                                                const std::string& secret = password) {
        s7web::s7web_target target;
        target.host = "127.0.0.1";
        target.port = simulator.port();
        target.validation = certificate_validation::none;
        target.username = user;
        target.password = secret;
        return s7web::acquire_s7web_client(container, target);
    }

    // A REST client of its own timeout, and the Web API client over it.
    std::shared_ptr<s7web::s7web_client> client_with_timeout(std::int64_t seconds) {
        korvel::probekit::libresthelper::settings rest(
            korvel::probekit::libresthelper::url("https", "127.0.0.1", simulator.port()));
        rest.timeout = seconds;
        rest.certificate_validation = certificate_validation::none;
        return container.get<s7web::s7web_client>(
            s7web::s7web_client_settings{container.get<rest_interface>(rest), "diag", password});
    }

    // The answers to a body POSTed as it is, without the session's login.
    json post(const std::string& body) {
        korvel::probekit::libresthelper::settings rest(
            korvel::probekit::libresthelper::url("https", "127.0.0.1", simulator.port()));
        rest.certificate_validation = certificate_validation::none;
        const auto response = container.get<rest_interface>(rest)->perform(
            {korvel::probekit::libresthelper::method::post, "/api/jsonrpc", body, "application/json"},
            ten_seconds());
        return json::parse(response.body);
    }

    simulators::s7web_api_simulator simulator;
    service_container container;
};

TEST(s7web_simulator, every_batch_logs_in_anew_and_the_next_one_sends_the_token) {
    simulated_controller controller(standard());
    const auto session = controller.client();
    session->ensure_api_supported(ten_seconds());
    auto answers =
        by_id(session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds()));
    ASSERT_EQ(answers.count("Plc.ReadOperatingMode"), 1u);
    EXPECT_EQ(answers["Plc.ReadOperatingMode"]->get_string("result"), "run");
    session->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds());

    EXPECT_EQ(controller.simulator.batches(), 3u);
    EXPECT_EQ(controller.simulator.requests(), 5u);  // the probe, then a login and a read twice
    EXPECT_EQ(controller.simulator.logins(), 2u);
    EXPECT_EQ(controller.simulator.live_sessions(), 2u);
    const auto requests = controller.simulator.received();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[1].header_count("X-Auth-Token"), 0u);
    const std::string token = requests[2].header("X-Auth-Token");
    EXPECT_EQ(token.size(), 28u);

    // The token alone grants the live session's rights; no token and no login grant none.
    const std::string read = R"({"id":"read","jsonrpc":"2.0","method":"Plc.ReadOperatingMode"})";
    EXPECT_EQ(
        controller.post("[" + read + "]"),
        json::parse(R"([{"jsonrpc":"2.0","id":"read","error":{"code":2,"message":"Permission denied"}}])"));
    // A refused login takes the rights from the requests after it.
    const std::string wrong_login =
        R"({"id":"Api.Login","jsonrpc":"2.0","method":"Api.Login","params":{"user":"diag","password":"wrong"}})";
    EXPECT_EQ(
        controller.post("[" + wrong_login + "," + read + "]"),
        json::parse(R"([{"jsonrpc":"2.0","id":"Api.Login","error":{"code":100,"message":"Login Failed"}},)"
                    R"({"jsonrpc":"2.0","id":"read","error":{"code":2,"message":"Permission denied"}}])"));
    EXPECT_EQ(controller.simulator.refused_logins(), 1u);
}

TEST(s7web_simulator, malformed_requests_get_the_json_rpc_errors_under_their_ids) {
    simulated_controller controller(standard());
    const std::pair<const char*, const char*> cases[] = {
        {"nonsense", R"({"jsonrpc":"2.0","id":null,"error":{"code":-32700,"message":"Parse error"}})"},
        {"[]", R"({"jsonrpc":"2.0","id":null,"error":{"code":-32600,"message":"Invalid Request"}})"},
        {R"([{"id":"a","method":"Api.Version"}])",
         R"([{"jsonrpc":"2.0","id":"a","error":{"code":-32600,"message":"Invalid Request"}}])"},
        {R"([{"id":7,"jsonrpc":"2.0","method":"Api.Version","params":[]}])",
         R"([{"jsonrpc":"2.0","id":7,"error":{"code":-32600,"message":"Invalid Request"}}])"},
        {R"([{"id":"b","jsonrpc":"2.0","method":"Plc.Explode"}])",
         R"([{"jsonrpc":"2.0","id":"b","error":{"code":-32601,"message":"Method not found"}}])"},
        {R"({"id":"v","jsonrpc":"2.0","method":"Api.Version"})",
         R"({"jsonrpc":"2.0","id":"v","result":3.1})"},
    };
    for (const auto& [body, answer] : cases) {
        SCOPED_TRACE(body);
        EXPECT_EQ(controller.post(body), json::parse(answer));
    }
}

TEST(s7web_simulator, refused_logins_and_missing_rights_end_in_the_session_errors) {
    simulated_controller controller(standard());
    test_support::expect_error<s7_errors::api_login_failed>(
        [&] { controller.client("diag", "wrong")->execute({}, ten_seconds()); },
        "The user name or password are invalid.");
    test_support::expect_error<s7_errors::api_login_failed>(
        [&] { controller.client("nobody", password)->execute({}, ten_seconds()); },
        "The user name or password are invalid.");
    EXPECT_THROW(controller.client("guest", "guest")
                     ->execute(s7web::request_batch().add("Plc.ReadOperatingMode"), ten_seconds()),
                 s7_errors::api_permission_denied);
    const std::pair<std::int64_t, const char*> injected[] = {
        {105, "infrastructure"}, {102, "password expired"}, {6, "not accepted"}};
    for (const auto& [code, name] : injected) {
        SCOPED_TRACE(name);
        controller.simulator.set_failures({.login_error = code});
        try {
            controller.client()->execute({}, ten_seconds());
            ADD_FAILURE() << "no exception";
        } catch (const s7_errors::jsonrpc_exception& error) {
            const bool expected_type =
                code == 105
                    ? dynamic_cast<const s7_errors::api_login_infrastructure_error*>(&error) != nullptr
                : code == 102 ? dynamic_cast<const s7_errors::api_login_password_expired*>(&error) != nullptr
                              : dynamic_cast<const s7_errors::api_login_not_accepted*>(&error) != nullptr;
            EXPECT_TRUE(expected_type) << error.what();
        }
    }
    EXPECT_EQ(controller.simulator.logins(), 1u);  // the guest's
    EXPECT_EQ(controller.simulator.refused_logins(), 5u);
    EXPECT_EQ(controller.simulator.live_sessions(), 1u);
}

// The requests the three sensors send, for a controller of one CPU or a redundant pair, and the
// browse passes of the hardware walk with a status read for every node found.
struct sensor_reads {
    answers_by_id cpu_status;
    answers_by_id alarms;
    std::vector<answers_by_id> browses;
    answers_by_id statuses;
};

sensor_reads read_as_the_sensors_do(s7web::s7web_client& session, std::size_t cpus) {
    sensor_reads reads;
    s7web::request_batch cpu_batch;
    if (cpus == 2) {
        cpu_batch.add("Plc.ReadOperatingMode", 1).add("Plc.ReadOperatingMode", 2);
        cpu_batch.add("Plc.ReadModeSelectorState", 1).add("Plc.ReadModeSelectorState", 2);
    } else {
        cpu_batch.add("Plc.ReadOperatingMode").add("Plc.ReadModeSelectorState");
    }
    cpu_batch.add("Plc.ReadRuntimeInformation").add_diagnostic_buffer_browse(100);
    reads.cpu_status = by_id(session.execute(cpu_batch, ten_seconds()));
    reads.alarms = by_id(session.execute(
        s7web::request_batch().add_alarms_browse(5000).add_modules_browse(std::nullopt), ten_seconds()));

    std::vector<std::int64_t> to_browse;
    s7web::request_batch status_batch;
    const auto take_nodes = [&](const parser_interface& answer) {
        if (error_code(answer) != 0) return;
        std::vector<std::unique_ptr<parser_interface>> pending = answer.get_array("result.nodes");
        while (!pending.empty()) {
            const auto node = std::move(pending.back());
            pending.pop_back();
            status_batch.add_modules_read_status(node->get_int64("hwid"));
            if (node->designates("children")) {
                for (auto& child : node->get_array("children")) pending.push_back(std::move(child));
            } else if (node->get_bool("has_children") && node->get_string("type") == "device") {
                to_browse.push_back(node->get_int64("hwid"));
            }
        }
    };
    take_nodes(*reads.alarms.at("Modules.Browse.root"));
    while (!to_browse.empty()) {
        s7web::request_batch browse_batch;
        for (const auto hwid : to_browse) browse_batch.add_modules_browse(hwid);
        to_browse.clear();
        reads.browses.push_back(by_id(session.execute(browse_batch, ten_seconds())));
        for (const auto& [id, answer] : reads.browses.back()) take_nodes(*answer);
    }
    if (!status_batch.requests().empty())
        reads.statuses = by_id(session.execute(status_batch, ten_seconds()));
    return reads;
}

std::set<std::string> ids(const answers_by_id& answers) {
    std::set<std::string> found;
    for (const auto& [id, answer] : answers) found.insert(id);
    return found;
}

TEST(s7web_simulator, every_scenario_answers_every_method_the_sensors_use_under_its_id) {
    struct expectation {
        const char* file;
        std::size_t cpus;
        const char* operating_mode;
        std::size_t diagnostic_entries;
        std::int64_t alarms_code;
        std::size_t alarms;
        std::size_t browse_passes;
        std::size_t statuses;
    };
    const expectation scenarios[] = {
        {"s7_1500_standard.json", 1, "run", 3, 0, 0, 0, 4},
        {"s7_1500_redundant_pair.json", 2, "run_redundant", 2, 0, 1, 0, 3},
        {"s7_1500_older_firmware.json", 1, "stop", 1, -32601, 0, 0, 0},
        {"plant_deep_hardware.json", 1, "run", 4, 0, 5, 4, 24},
    };
    const std::regex duration(R"(PT\d+(\.\d{1,9})?S)");
    for (const auto& expected : scenarios) {
        SCOPED_TRACE(expected.file);
        simulated_controller controller(scenario(expected.file));
        const auto session = controller.client();
        session->ensure_api_supported(ten_seconds());
        const auto reads = read_as_the_sensors_do(*session, expected.cpus);

        const std::string suffix = expected.cpus == 2 ? ".1" : "";
        std::set<std::string> cpu_ids{"Plc.ReadOperatingMode" + suffix, "Plc.ReadModeSelectorState" + suffix,
                                      "Plc.ReadRuntimeInformation", "DiagnosticBuffer.Browse"};
        if (expected.cpus == 2) cpu_ids.insert({"Plc.ReadOperatingMode.2", "Plc.ReadModeSelectorState.2"});
        ASSERT_EQ(ids(reads.cpu_status), cpu_ids);
        EXPECT_EQ(reads.cpu_status.at("Plc.ReadOperatingMode" + suffix)->get_string("result"),
                  expected.operating_mode);
        EXPECT_FALSE(reads.cpu_status.at("Plc.ReadModeSelectorState" + suffix)
                         ->get_string("result.mode_selector")
                         .empty());
        const auto& runtime = *reads.cpu_status.at("Plc.ReadRuntimeInformation");
        if (expected.alarms_code == 0) {  // older firmware lacks runtime information too
            for (const char* path : {"result.cycle_time.actual.current", "result.cycle_time.actual.shortest",
                                     "result.cycle_time.actual.longest"})
                EXPECT_TRUE(std::regex_match(runtime.get_string(path), duration)) << runtime.get_string(path);
            EXPECT_EQ(runtime.get_int64("result.load.configured.max_communication_load_percentage"), 50);
        } else {
            EXPECT_EQ(runtime.get_int64("error.code"), -32601);
            EXPECT_EQ(runtime.get_string("error.message"), "Method not found");
        }
        const auto& diagnostics = *reads.cpu_status.at("DiagnosticBuffer.Browse");
        const auto entries = diagnostics.get_array("result.entries");
        ASSERT_EQ(entries.size(), expected.diagnostic_entries);
        EXPECT_TRUE(entries.front()->designates("event.text_id"));
        EXPECT_FALSE(entries.front()->designates("short_text"));  // left out by the sensor's filter

        ASSERT_EQ(ids(reads.alarms), (std::set<std::string>{"Alarms.Browse", "Modules.Browse.root"}));
        const auto& alarms = *reads.alarms.at("Alarms.Browse");
        EXPECT_EQ(error_code(alarms), expected.alarms_code);
        EXPECT_EQ(error_code(*reads.alarms.at("Modules.Browse.root")), expected.alarms_code);
        if (expected.alarms_code == 0) {
            EXPECT_EQ(alarms.get_array("result.entries").size(), expected.alarms);
            EXPECT_EQ(alarms.get_int64("result.count_current"), static_cast<std::int64_t>(expected.alarms));
        }
        EXPECT_EQ(reads.browses.size(), expected.browse_passes);
        EXPECT_EQ(reads.statuses.size(), expected.statuses);
        for (const auto& [id, status] : reads.statuses) {
            SCOPED_TRACE(id);
            if (error_code(*status) == 0) {
                EXPECT_FALSE(status->get_string("result.status.own").empty());
            }
        }
    }
}

TEST(s7web_simulator, the_session_table_refuses_logins_past_its_cap_until_sessions_expire) {
    {
        simulated_controller controller(standard(3));
        const auto session = controller.client();
        for (int login = 1; login <= 3; ++login) session->execute({}, ten_seconds());
        test_support::expect_error<s7_errors::api_login_no_resources>(
            [&] { session->execute({}, ten_seconds()); },
            "The Veltra core server system does not have the required resources to carry out "
            "this request. Try again when more resources are available.");
        EXPECT_EQ(controller.simulator.live_sessions(), 3u);
        EXPECT_EQ(controller.simulator.refused_logins(), 1u);
    }
    simulated_controller controller(standard(1, std::chrono::milliseconds(300)));
    const auto session = controller.client();
    session->execute({}, ten_seconds());
    EXPECT_THROW(session->execute({}, ten_seconds()), s7_errors::api_login_no_resources);
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (controller.simulator.live_sessions() > 0 && std::chrono::steady_clock::now() < give_up)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_EQ(controller.simulator.live_sessions(), 0u);
    EXPECT_NO_THROW(session->execute({}, ten_seconds()));
}

TEST(s7web_simulator, run_time_changes_show_in_the_next_answers) {
    simulated_controller controller(scenario("plant_deep_hardware.json"));
    const auto session = controller.client();
    controller.simulator.set_operating_mode("stop");
    simulators::alarm added;
    added.id = 1;
    added.timestamp = "2024-05-14T10:00:00.000Z";
    added.alarm_text = "new";
    controller.simulator.add_alarm(added);
    controller.simulator.set_module_status(333, {.own = "error", .subordinate = "good"});
    controller.simulator.change([](simulators::s7web_scenario& played) {
        played.missing_methods.insert("Plc.ReadModeSelectorState");
    });
    auto answers = by_id(session->execute(s7web::request_batch()
                                              .add("Plc.ReadOperatingMode")
                                              .add("Plc.ReadModeSelectorState")
                                              .add_alarms_browse(1)
                                              .add_modules_read_status(333),
                                          ten_seconds()));
    EXPECT_EQ(answers.at("Plc.ReadOperatingMode")->get_string("result"), "stop");
    EXPECT_EQ(answers.at("Plc.ReadModeSelectorState")->get_int64("error.code"), -32601);
    const auto alarms = answers.at("Alarms.Browse")->get_array("result.entries");
    ASSERT_EQ(alarms.size(), 1u);
    EXPECT_EQ(alarms.front()->get_string("alarm_text"), "new");
    EXPECT_EQ(answers.at("Alarms.Browse")->get_int64("result.count_current"), 6);
    EXPECT_EQ(answers.at("Modules.ReadStatus.333")->get_string("result.status.own"), "error");
    EXPECT_THROW(controller.simulator.set_operating_mode("run", 2), std::out_of_range);
    EXPECT_THROW(controller.simulator.set_module_status(9999, {}), std::out_of_range);
}

TEST(s7web_simulator, injected_http_errors_and_slow_answers_reach_the_session_as_transport_errors) {
    simulated_controller controller(standard());
    const auto session = controller.client();
    session->ensure_api_supported(ten_seconds());
    controller.simulator.set_failures({.http_status = 500});
    test_support::expect_error<rest_errors::request_failed>(
        [&] { session->execute({}, ten_seconds()); },
        "The sensor could not get a response from the server. 500 "
        "(<html><body><h1>500</h1></body></html>). ");
    controller.simulator.set_failures({.http_status = 429});
    EXPECT_THROW(session->execute({}, ten_seconds()), rest_errors::too_many_requests);
    EXPECT_EQ(controller.simulator.logins(), 0u);

    controller.simulator.set_failures({.delay = std::chrono::seconds(20)});
    EXPECT_THROW(controller.client_with_timeout(1)->execute({}, ten_seconds()), rest_errors::request_timeout);
}

}  // namespace
