// What a user sees when the way to the Web API fails, through the module's exports with strict
// certificate validation: a device that stops listening, answers too slowly, presents a certificate
// that is untrusted, for another name or expired, is a web server without the Web API, or answers
// 404. Each failure has its own text, none quotes the password, and the next good answer is a scan
// result again. And a device that closes idle connections never turns a scan into a false error.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>

#include "host/harness/module_library.hpp"
#include "tests/support/s7_sensor_scans.hpp"
#include "simulators/https_server/https_test_server.hpp"
#include "simulators/https_server/raw_test_servers.hpp"
#include "simulators/https_server/test_certificates.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"

namespace {

using korvel::probekit::host::module_library;
namespace simulators = korvel::probekit::simulators;
using json = nlohmann::json;

constexpr int sensor = 1;
const std::string password = "Diag.Pass+1";

const simulators::test_certificates& certificates() {
    static const auto made = simulators::generate_test_certificates();
    return made;
}

simulators::s7web_scenario standard_controller() {
    return simulators::load_scenario_file(std::string(SCENARIOS_DIR) + "/s7_1500_standard.json");
}

// Trusts the test authority through SSL_CERT_FILE while it lives, as an administrator would add a
// plant's own CA.
class trusted_test_authority {
public:
    trusted_test_authority() {
        std::string pattern = (std::filesystem::temp_directory_path() / "transport-faults.XXXXXX").string();
        directory_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
        std::ofstream(file()) << certificates().authority.certificate;
        ::setenv("SSL_CERT_FILE", file().c_str(), 1);
    }
    ~trusted_test_authority() {
        ::unsetenv("SSL_CERT_FILE");
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
    trusted_test_authority(const trusted_test_authority&) = delete;
    trusted_test_authority& operator=(const trusted_test_authority&) = delete;

private:
    std::string file() const { return directory_ + "/plant-ca.pem"; }
    std::string directory_;
};

class transport_faults_test : public ::testing::Test {
protected:
    const trusted_test_authority authority;
    // Declared before the module so they are destroyed after it.
    std::unique_ptr<simulators::s7web_api_simulator> plc;
    std::unique_ptr<simulators::https_test_server> impostor;
    std::unique_ptr<module_library> module = std::make_unique<module_library>(MODULE_PATH);

    void create(std::uint16_t port, int timeout_seconds) {
        ASSERT_EQ(module->initialize(), 0);
        const json block{{"kind", "simatic_s7_1200_1500_cpu_status_sensor"},
                         {"settings",
                          {{"host", "127.0.0.1"},
                           {"timeout", std::to_string(timeout_seconds)},
                           {"s7web_credentials_section.username", "diag"},
                           {"s7web_credentials_section.password", password},
                           {"s7web_credentials_section.port", std::to_string(port)},
                           {"shared_http_validation_section.certificate_validation", "strict"}}},
                         {"secure_settings", {"s7web_credentials_section.password"}},
                         {"channels", json::object()},
                         {"persistent_data", json::object()}};
        ASSERT_EQ(module->create_sensor(sensor, block.dump()), 0);
    }

    // The scan's one result; no message of the scan quotes the password.
    json scan() { return s7_sensor_scans::scan_keeping(*module, sensor, password); }

    std::string error_text() {
        const json result = scan();
        EXPECT_EQ(result.value("type", ""), "error_result") << result.dump();
        return result.contains("message") ? result.at("message").value("text", "") : std::string();
    }
};

TEST_F(transport_faults_test, each_failure_on_the_way_says_what_it_was) {
    const auto& made = certificates();
    plc = std::make_unique<simulators::s7web_api_simulator>(standard_controller(), made.server);
    const std::uint16_t port = plc->port();
    create(port, 2);
    ASSERT_EQ(scan().at("type"), "scan_result");

    const std::string no_answer = "The sensor could not get a response from the server. ";
    const std::string at = "127.0.0.1 port " + std::to_string(port);
    const auto html_page = [](const simulators::http_request&) {
        return simulators::http_answer{200, "<!DOCTYPE html><html>" + password + "</html>", "text/html"};
    };
    const auto missing_page = [](const simulators::http_request&) {
        return simulators::http_answer{404, "<html>no such page</html>", "text/html"};
    };
    const struct {
        const char* what;
        const simulators::pem_identity* identity;  // null: nothing listens
        simulators::request_handler handler;
        std::string text;
    } rows[] = {
        {"refused",
         nullptr,
         {},
         "The sensor could not connect to the server. (connection refused by " + at + ")"},
        {"self-signed", &made.self_signed, html_page,
         no_answer +
             "0 (No response code received). (TLS certificate not trusted: no trusted authority issued it)"},
        {"other name", &made.other_name, html_page,
         no_answer +
             "0 (No response code received). (TLS certificate name mismatch: not issued for the device's "
             "host)"},
        {"expired", &made.expired, html_page,
         no_answer + "0 (No response code received). (TLS certificate expired)"},
        {"a web server without the Web API", &made.server, html_page,
         "The received JSON data could not be parsed. parse error at line 1, column 1: syntax error while "
         "parsing "
         "value - invalid literal; last read: '<'"},
        {"404", &made.server, missing_page,
         "The requested resource was not found on the remote server. (HTTP 404)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        plc.reset();
        impostor.reset();
        if (row.identity != nullptr)
            impostor = std::make_unique<simulators::https_test_server>(*row.identity, row.handler, port);
        EXPECT_EQ(error_text(), row.text);
    }

    // A device that answers too slowly: the deadline, and what the scan was waiting for.
    impostor.reset();
    plc = std::make_unique<simulators::s7web_api_simulator>(standard_controller(), made.server, port);
    plc->set_failures({.delay = std::chrono::seconds(5)});
    EXPECT_EQ(
        error_text(),
        "An error occurred. The scan did not finish within its time-out of 2 s. (waiting for the answer)");
    plc->set_failures({});
    EXPECT_EQ(scan().at("type"), "scan_result") << "the device is back";
}

// The time-out is the sensor's, not a fixed one: a device that never completes a handshake holds the
// scan for the sensor's `timeout` and no longer.
TEST_F(transport_faults_test, a_device_that_never_answers_holds_the_scan_for_its_timeout) {
    simulators::silent_server silent;
    create(silent.port(), 1);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(error_text(),
              "An error occurred. The scan did not finish within its time-out of 1 s. (waiting for the TLS "
              "handshake)");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GE(elapsed, std::chrono::milliseconds(990));
    EXPECT_LT(elapsed, std::chrono::milliseconds(1900));
}

// Scans further apart than the device keeps an idle connection: every one a scan result (libcurl 7.88
// failed every seventh of them with "Connection died"). The device's keep-alive is a second here; the
// pause between scans a little longer.
TEST_F(transport_faults_test, a_device_that_closes_idle_connections_gives_no_false_error) {
    plc = std::make_unique<simulators::s7web_api_simulator>(standard_controller(), certificates().server, 0,
                                                            std::chrono::seconds(1));
    create(plc->port(), 5);
    constexpr int scans = 8;
    for (int i = 0; i < scans; ++i) {
        if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        const json result = scan();
        EXPECT_EQ(result.value("type", ""), "scan_result") << "scan " << i << ": " << result.dump();
    }
    EXPECT_EQ(plc->batches(), static_cast<std::size_t>(scans + 1))
        << "the probe and one batch per scan, none twice";
}

}  // namespace
