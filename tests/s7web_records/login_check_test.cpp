// The login check end to end: the module library through its exports, against a local HTTPS server
// answering the Web API's JSON-RPC as a device would. The host learns only success or failure; the
// reason is in the check's log, and the password appears in no message.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/harness/module_library.hpp"
#include "tests/s7web_records/web_api_device.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::http_answer;
using nlohmann::json;
using s7web_records_test::json_answer;
using s7web_records_test::web_api_device;

constexpr int check_id = 9;
constexpr const char* password = "pa55:w\"rd-secret";
constexpr const char* login_failed = "The user name or password are invalid.";
constexpr const char* protocol_not_supported =
    "The device did not respond to the JSON-RPC request. Verify that the S7 Web API is enabled on the PLC.";
constexpr const char* permission_denied =
    "The current user does not have the appropriate access rights to perform this operation. Enter a user "
    "account "
    "with 'read_diagnostics' permissions.";

class login_check_test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(module->initialize(), 0); }

    std::string block(std::uint16_t port) const {
        return json{{"kind", "s7web_login_check"},
                    {"settings",
                     {{"host", "127.0.0.1"},
                      {"timeout", "5"},
                      {"logging", "enabled"},
                      {"s7web_credentials_section.username", "diagnose"},
                      {"s7web_credentials_section.password", password},
                      {"s7web_credentials_section.port", std::to_string(port)},
                      {"shared_http_validation_section.certificate_validation", "none"}}},
                    {"secure_settings", {"s7web_credentials_section.password"}}}
            .dump();
    }

    struct outcome {
        json result;
        std::vector<std::string> failures;  // level-0 log lines
    };

    outcome run_check(std::uint16_t port) {
        module->take_messages();
        EXPECT_EQ(module->check(check_id, block(port)), 0);
        outcome seen;
        for (const std::string& text : module->take_messages()) {
            EXPECT_EQ(text.find("pa55"), std::string::npos) << "the password leaked: " << text;
            const json message = json::parse(text);
            if (message.at("type") == "check_result") {
                EXPECT_TRUE(seen.result.is_null()) << "one check_result per check";
                seen.result = message;
            }
            if (message.at("type") == "log" && message.at("level") == 0)
                seen.failures.push_back(message.at("text"));
        }
        return seen;
    }

    // Declared before the module, so the module and its kept-alive connections go first.
    web_api_device device;
    std::unique_ptr<module_library> module = std::make_unique<module_library>(MODULE_PATH);
};

TEST_F(login_check_test, the_right_credentials_succeed_after_one_probe_and_one_login) {
    const auto seen = run_check(device.port());
    EXPECT_EQ(seen.result, (json{{"type", "check_result"}, {"check_id", check_id}, {"success", true}}));
    EXPECT_TRUE(seen.failures.empty());
    EXPECT_EQ(device.requests(), 2u);
}

TEST_F(login_check_test, a_refused_login_or_an_unusable_device_fails_with_its_reason_in_the_log) {
    struct row {
        const char* what;
        web_api_device::script device_answers;
        const char* reason;
    };
    const row rows[] = {
        {"wrong password",
         [](const json& batch) {
             if (batch.at(0).at("method") == "Api.Version") return web_api_device::logged_in(batch);
             return json_answer({{{"id", "Api.Login"},
                                  {"jsonrpc", "2.0"},
                                  {"error", {{"code", 100}, {"message", "Login failed"}}}}});
         },
         login_failed},
        {"Web API switched off",
         [](const json&) {
             return http_answer{404, "Not Found", "text/html", {}};
         },
         protocol_not_supported},
        {"permission denied",
         [](const json& batch) {
             if (batch.at(0).at("method") == "Api.Version") return web_api_device::logged_in(batch);
             return json_answer({{{"id", "Api.Login"}, {"jsonrpc", "2.0"}, {"result", {{"token", "t"}}}},
                                 {{"id", "j8higif"},
                                  {"jsonrpc", "2.0"},
                                  {"error", {{"code", 2}, {"message", "Permission denied"}}}}});
         },
         permission_denied},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        device.answer_with(r.device_answers);
        const auto seen = run_check(device.port());
        EXPECT_EQ(seen.result, (json{{"type", "check_result"}, {"check_id", check_id}, {"success", false}}));
        EXPECT_EQ(seen.failures, std::vector<std::string>{r.reason});
    }
}

TEST_F(login_check_test, an_unreachable_device_fails_the_probe) {
    std::uint16_t closed_port = 0;
    {
        const web_api_device gone;
        closed_port = gone.port();
    }
    const auto seen = run_check(closed_port);
    EXPECT_EQ(seen.result.at("success"), false);
    EXPECT_EQ(seen.failures, std::vector<std::string>{protocol_not_supported});
}

}  // namespace
