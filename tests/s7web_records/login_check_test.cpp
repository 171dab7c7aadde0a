// The login check end to end: the module library through its exports, against the Web API simulator
// over HTTPS. The host learns only success or failure; the reason is in the check's log, each failure
// with its own text, and the password appears in no message. The check logs its own session out and
// leaves a sensor's session alone; a check on the client a sensor holds finds the probe done.

#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/harness/module_library.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::s7web_api_simulator;
using korvel::probekit::simulators::s7web_scenario;
using nlohmann::json;

constexpr int check_id = 9;
constexpr const char* password = "pa55:w\"rd-secret";

s7web_scenario controller() {
    s7web_scenario scenario;
    scenario.users = {{"diagnose", password, {"read_diagnostics"}}, {"viewer", password, {"read_value"}}};
    return scenario;
}

class login_check_test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(module->initialize(), 0); }

    json settings(const std::string& with_password, const std::string& user = "diagnose") const {
        return {{"host", "127.0.0.1"},
                {"timeout", "5"},
                {"logging", "enabled"},
                {"s7web_credentials_section.username", user},
                {"s7web_credentials_section.password", with_password},
                {"s7web_credentials_section.port", std::to_string(plc.port())},
                {"shared_http_validation_section.certificate_validation", "none"}};
    }

    struct outcome {
        bool success = false;
        std::vector<std::string> failures;  // level-0 log lines
    };

    outcome run_check(const std::string& with_password = password, const std::string& user = "diagnose") {
        module->take_messages();
        const json block{{"kind", "s7web_login_check"},
                         {"settings", settings(with_password, user)},
                         {"secure_settings", {"s7web_credentials_section.password"}}};
        EXPECT_EQ(module->check(check_id, block.dump()), 0);
        outcome seen;
        int results = 0;
        for (const std::string& text : module->take_messages()) {
            EXPECT_EQ(text.find("pa55"), std::string::npos) << "the password leaked: " << text;
            const json message = json::parse(text);
            if (message.at("type") == "check_result") {
                ++results;
                EXPECT_EQ(message.at("check_id"), check_id);
                seen.success = message.at("success");
            }
            if (message.at("type") == "log" && message.at("level") == 0)
                seen.failures.push_back(message.at("text"));
        }
        EXPECT_EQ(results, 1) << "one check_result per check";
        return seen;
    }

    // Declared before the module, so the module and its kept-alive connections go first.
    s7web_api_simulator plc{controller()};
    std::unique_ptr<module_library> module = std::make_unique<module_library>(MODULE_PATH);
};

TEST_F(login_check_test, the_right_credentials_succeed_after_one_probe_one_login_and_a_logout) {
    const auto seen = run_check();
    EXPECT_TRUE(seen.success);
    EXPECT_TRUE(seen.failures.empty());
    EXPECT_EQ(plc.batches(), 3u) << "the probe, the login with the rights, the logout";
    EXPECT_EQ(plc.logouts(), 1u);
    EXPECT_EQ(plc.live_sessions(), 0u);
}

TEST_F(login_check_test, each_failure_has_its_own_reason_in_the_log) {
    auto seen = run_check("pa55-wrong");
    EXPECT_FALSE(seen.success);
    EXPECT_EQ(seen.failures, std::vector<std::string>{"The user name or password are invalid. (Api.Login error 100: "
                                                      "the controller refused the user name or password)"});

    seen = run_check(password, "viewer");
    EXPECT_FALSE(seen.success);
    EXPECT_EQ(seen.failures,
              std::vector<std::string>{"The current user does not have the appropriate access rights to perform this "
                                       "operation. Enter a user account with 'read_diagnostics' permissions. "
                                       "(Api.GetPermissions: the user lacks the read_diagnostics right)"});
    EXPECT_EQ(plc.live_sessions(), 0u) << "logged out all the same";

    plc.set_failures({.login_error = 4});
    seen = run_check();
    EXPECT_FALSE(seen.success);
    EXPECT_EQ(seen.failures, std::vector<std::string>{"The Veltra core server system does not have the required "
                                                      "resources to carry out this request. Try again when more "
                                                      "resources are available. (Api.Login error 4: the controller "
                                                      "has no free Web API session)"});

    plc.set_failures({.http_status = 404});
    seen = run_check();
    EXPECT_FALSE(seen.success);
    EXPECT_EQ(seen.failures, std::vector<std::string>{"The device did not respond to the JSON-RPC request. Verify "
                                                      "that the S7 Web API is enabled on the PLC. (HTTP 404)"});
}

TEST_F(login_check_test, a_check_on_the_client_a_sensor_holds_leaves_the_sensors_session_alone) {
    const json sensor{{"kind", "simatic_s7_1200_1500_cpu_status_sensor"},
                      {"settings", settings(password)},
                      {"channels", json::object()},
                      {"persistent_data", json::object()}};
    ASSERT_EQ(module->create_sensor(1, sensor.dump()), 0);
    ASSERT_EQ(module->scan(1), 0);
    ASSERT_EQ(plc.batches(), 2u) << "the probe and the sensor's reads";
    for (int run = 1; run <= 2; ++run) EXPECT_TRUE(run_check().success) << run;
    EXPECT_EQ(plc.batches(), 6u) << "a login and a logout per check, no probe";
    EXPECT_EQ(plc.live_sessions(), 1u) << "the sensor's";
    ASSERT_EQ(module->scan(1), 0);
    EXPECT_EQ(plc.logins(), 3u) << "the sensor's token still serves it";
    ASSERT_EQ(module->destroy_sensor(1), 0);
    EXPECT_EQ(plc.live_sessions(), 0u);
}

}  // namespace
