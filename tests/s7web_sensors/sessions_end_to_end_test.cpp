// What the S7-1200/1500 sensors cost a controller's Web API sessions, through the module's exports
// against the simulator over HTTPS: one session per client for any number of scans, one per user on
// a 50-session CPU, one for many sensors sharing a user, a new login after a CPU restart without an
// error result, no session left once every sensor is gone, one security event per client over an
// hour of scans (in scaled time), and a text of its own for each refusal, none with the password.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/harness/module_library.hpp"
#include "tests/support/s7_sensor_scans.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"
#include "simulators/s7web_api/web_api_methods.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::load_scenario_file;
using korvel::probekit::simulators::s7web_api_simulator;
using korvel::probekit::simulators::s7web_scenario;
using korvel::probekit::simulators::web_api_user;
using json = nlohmann::json;

constexpr const char* password = "Diag.Pass+1";
constexpr const char* kinds[] = {"simatic_s7_1200_1500_cpu_status_sensor",
                                 "simatic_s7_1200_1500_alarm_status_sensor",
                                 "simatic_s7_1200_1500_hardware_status_sensor"};

s7web_scenario standard_with_users(int users) {
    s7web_scenario scenario = load_scenario_file(std::string(SCENARIOS_DIR) + "/s7_1500_standard.json");
    for (int i = 0; i < users; ++i)
        scenario.users.push_back(web_api_user{"user_" + std::to_string(i), password, {"read_diagnostics"}});
    return scenario;
}

class sessions_test : public ::testing::Test {
protected:
    void start(s7web_scenario scenario) {
        plc = std::make_unique<s7web_api_simulator>(std::move(scenario));
        ASSERT_EQ(module->initialize(), 0);
    }

    void create(int id, const std::string& kind, const std::string& user = "diag",
                const std::string& secret = password) {
        const json block{{"kind", kind},
                         {"settings",
                          {{"host", "127.0.0.1"},
                           {"timeout", "20"},
                           {"s7web_credentials_section.username", user},
                           {"s7web_credentials_section.password", secret},
                           {"s7web_credentials_section.port", std::to_string(plc->port())},
                           {"shared_http_validation_section.certificate_validation", "none"}}},
                         {"secure_settings", {"s7web_credentials_section.password"}},
                         {"channels", json::object()},
                         {"persistent_data", json::object()}};
        ASSERT_EQ(module->create_sensor(id, block.dump()), 0);
    }

    // The scan's one result; no message of the scan may hold the password.
    json scan(int id) { return s7_sensor_scans::scan_keeping(*module, id, password); }

    void expect_scan_result(int id) {
        const json result = scan(id);
        EXPECT_EQ(result.value("type", ""), "scan_result") << id << ": " << result.dump();
    }

    // Security events in the simulated diagnostic buffer.
    std::size_t security_events_in_buffer() {
        std::size_t count = 0;
        plc->change([&count](s7web_scenario& scenario) {
            namespace event = korvel::probekit::simulators::security_event;
            count = static_cast<std::size_t>(std::count_if(
                scenario.diagnostic_buffer.begin(), scenario.diagnostic_buffer.end(), [](const auto& entry) {
                    return entry.textlist_id == event::textlist_id && entry.text_id == event::text_id;
                }));
        });
        return count;
    }

    // Declared before the module so it is destroyed after it: the module's kept-alive connections
    // would otherwise hold up the server's shutdown.
    std::unique_ptr<s7web_api_simulator> plc;
    std::unique_ptr<module_library> module = std::make_unique<module_library>(MODULE_PATH);
};

TEST_F(sessions_test, three_kinds_sharing_a_user_hold_one_session_for_any_number_of_scans) {
    start(standard_with_users(0));
    for (int id = 0; id < 3; ++id) create(id, kinds[id]);
    for (int round = 0; round < 10; ++round) {
        for (int id = 0; id < 3; ++id) expect_scan_result(id);
    }
    EXPECT_EQ(plc->logins(), 1u);
    EXPECT_EQ(plc->live_sessions(), 1u);
    EXPECT_EQ(security_events_in_buffer(), 1u);
}

TEST_F(sessions_test, sensors_with_their_own_users_each_hold_one_session_on_a_50_session_cpu) {
    constexpr int sensors = 49;
    start(standard_with_users(sensors));
    for (int id = 0; id < sensors; ++id) create(id, kinds[id % 3], "user_" + std::to_string(id));
    for (int round = 0; round < 2; ++round) {
        for (int id = 0; id < sensors; ++id) expect_scan_result(id);
    }
    const auto users = plc->session_users();
    EXPECT_EQ(users.size(), static_cast<std::size_t>(sensors));
    EXPECT_EQ(std::set<std::string>(users.begin(), users.end()).size(), static_cast<std::size_t>(sensors));
    EXPECT_EQ(plc->refused_logins(), 0u);
}

TEST_F(sessions_test, many_sensors_sharing_a_user_hold_one_session) {
    constexpr int sensors = 1000;
    start(standard_with_users(0));
    for (int id = 0; id < sensors; ++id) create(id, kinds[0]);
    for (int id = 0; id < sensors; ++id) expect_scan_result(id);
    EXPECT_EQ(plc->logins(), 1u);
    EXPECT_EQ(plc->live_sessions(), 1u);
}

TEST_F(sessions_test, after_a_cpu_restart_each_client_logs_in_again_without_an_error_result) {
    start(standard_with_users(1));
    create(0, kinds[0]);
    create(1, kinds[1]);
    create(2, kinds[2], "user_0");
    for (int id = 0; id < 3; ++id) expect_scan_result(id);
    ASSERT_EQ(plc->logins(), 2u);
    plc->restart();
    for (int round = 0; round < 2; ++round) {
        for (int id = 0; id < 3; ++id) expect_scan_result(id);
    }
    EXPECT_EQ(plc->logins(), 4u) << "one new login per client";
    EXPECT_EQ(plc->live_sessions(), 2u);
}

TEST_F(sessions_test, no_session_is_left_once_every_sensor_is_destroyed_nor_after_a_login_check) {
    start(standard_with_users(1));
    for (int id = 0; id < 3; ++id) create(id, kinds[id]);
    create(3, kinds[0], "user_0");
    for (int id = 0; id < 4; ++id) expect_scan_result(id);
    ASSERT_EQ(plc->live_sessions(), 2u);
    for (int id = 0; id < 4; ++id) EXPECT_EQ(module->destroy_sensor(id), 0);
    EXPECT_EQ(plc->live_sessions(), 0u);
    EXPECT_EQ(plc->logouts(), 2u);

    const json check{{"kind", "s7web_login_check"},
                     {"settings",
                      {{"host", "127.0.0.1"},
                       {"timeout", "20"},
                       {"s7web_credentials_section.username", "diag"},
                       {"s7web_credentials_section.password", password},
                       {"s7web_credentials_section.port", std::to_string(plc->port())},
                       {"shared_http_validation_section.certificate_validation", "none"}}},
                     {"secure_settings", {"s7web_credentials_section.password"}}};
    EXPECT_EQ(module->check(7, check.dump()), 0);
    EXPECT_EQ(plc->logins(), 3u);
    EXPECT_EQ(plc->live_sessions(), 0u);
}

TEST_F(sessions_test, at_a_60_s_interval_a_client_writes_one_security_event_an_hour) {
    // An hour of scans a minute apart in 1.2 s. On a device the interval (60 s) stays well inside the
    // session's lifetime (120 s after its last use); here the lifetime is wide enough that a loaded
    // machine's delays cannot end the session between two scans either. Every scan keeps the session
    // alive, so only the first logs in. (The 90 s token age is shown with a clock of the test's own in
    // tests/s7web, a session the device ended by the restart case above.)
    constexpr auto interval = std::chrono::milliseconds(20);
    s7web_scenario scaled = standard_with_users(0);
    scaled.sessions.lifetime = std::chrono::seconds(2);
    start(std::move(scaled));
    create(0, kinds[0]);
    const std::size_t before = security_events_in_buffer();
    auto due = std::chrono::steady_clock::now();
    for (int minute = 0; minute < 60; ++minute) {
        std::this_thread::sleep_until(due);
        expect_scan_result(0);
        due += interval;
    }
    EXPECT_EQ(security_events_in_buffer() - before, 1u);
    EXPECT_EQ(plc->logins(), 1u);
}

TEST_F(sessions_test, no_free_session_a_wrong_password_and_a_missing_right_each_say_so) {
    s7web_scenario scenario = standard_with_users(0);
    scenario.sessions.max_sessions = 1;
    start(std::move(scenario));
    create(0, kinds[0]);
    create(1, kinds[0], "guest", "guest");
    create(2, kinds[1], "diag", "Wrong.Pass+1");
    expect_scan_result(0);  // holds the one session
    const json full = scan(1);
    EXPECT_EQ(full.at("type"), "error_result");
    EXPECT_EQ(
        full.at("message").at("text"),
        "The Veltra core server system does not have the required resources to carry out this request. Try "
        "again when more resources are available. (Api.Login error 4: the controller has no free Web API "
        "session)");
    EXPECT_EQ(full.at("message").at("cause"),
              " (Api.Login error 4: the controller has no free Web API session)");
    EXPECT_EQ(
        scan(2).at("message").at("text"),
        "The user name or password are invalid. (Api.Login error 100: the controller refused the user name "
        "or password)");
    ASSERT_EQ(module->destroy_sensor(0), 0);  // frees the session
    EXPECT_EQ(
        scan(1).at("message").at("text"),
        "The current user does not have the appropriate access rights to perform this operation. Enter a "
        "user "
        "account with 'read_diagnostics' permissions. (Plc.ReadOperatingMode error 2: the user lacks the "
        "right for this request, or the session has ended)");
}

}  // namespace
