// s7websim as a program: refused arguments and scenario files with their messages, and a run that
// prints its port, serves a login, prints its session table on SIGUSR1, restarts on SIGHUP and ends on
// SIGTERM.

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>

#include "libresthelper/rest_helper_factory.hpp"
#include "s7/s7web/acquire_s7web_client.hpp"
#include "tests/host/child_process.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using korvel::probekit::host::test_support::run_program;
using korvel::probekit::host::test_support::running_program;
using korvel::probekit::host::test_support::temporary_directory;

const std::string standard_scenario = std::string(SCENARIO_DIR) + "/s7_1500_standard.json";

TEST(s7websim, refuses_bad_arguments_and_bad_files_with_a_clear_message) {
    temporary_directory directory;
    const auto bad_scenario = (directory.path() / "bad.json").string();
    std::ofstream(bad_scenario) << R"({"users": []})";
    const std::vector<std::tuple<std::vector<std::string>, int, std::string>> refusals{
        {{}, 2, "s7websim: --scenario FILE is required\n"},
        {{"--scenario", standard_scenario, "--port", "0"},
         2,
         "s7websim: --port expects a port number from 1 to 65535, not \"0\"\n"},
        {{"--scenario", bad_scenario},
         1,
         "s7websim: scenario " + bad_scenario + ": /users: expected at least one user\n"},
        {{"--scenario", standard_scenario, "--certificate", "/nonexistent.pem", "--key", "/nonexistent.pem"},
         1,
         "s7websim: /nonexistent.pem: cannot be read\n"},
    };
    for (const auto& [arguments, exit, message] : refusals) {
        SCOPED_TRACE(message);
        const auto run = run_program(S7WEBSIM_PATH, arguments);
        EXPECT_EQ(run.exit, exit);
        EXPECT_TRUE(run.err.starts_with(message)) << run.err;
        EXPECT_EQ(run.err.find("usage: s7websim") != std::string::npos, exit == 2) << run.err;
    }
    const auto help = run_program(S7WEBSIM_PATH, {"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_TRUE(help.out.starts_with("usage: s7websim --scenario FILE [--port N]")) << help.out;
}

TEST(s7websim, prints_its_port_serves_the_scenario_and_stops_on_sigterm) {
    running_program simulator(S7WEBSIM_PATH, {"--scenario", standard_scenario});
    std::string first_line;
    ASSERT_TRUE(simulator.read_line(first_line));
    const int port = std::stoi(first_line);
    ASSERT_GT(port, 0);
    {
        korvel::probekit::libvexahelper::module::service_container container;
        container.add_factory(korvel::probekit::libresthelper::get_rest_helper_factory());
        container.add_factory(korvel::probekit::s7::s7web::get_s7web_client_factory());
        korvel::probekit::s7::s7web::s7web_target target;
        target.host = "127.0.0.1";
        target.port = static_cast<std::uint16_t>(port);
        target.validation = korvel::probekit::libresthelper::certificate_validation::none;
        target.username = "diag";
        target.password = "Diag.Pass+1";
        const auto session = korvel::probekit::s7::s7web::acquire_s7web_client(container, target);
        const auto deadline = korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(10));
        session->ensure_api_supported(deadline);
        const auto answers = session->execute(
            korvel::probekit::s7::s7web::request_batch().add("Plc.ReadOperatingMode"), deadline);
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers.front()->get_string("result"), "run");
        // SIGUSR1 prints the session table, SIGHUP restarts the CPU.
        std::string status;
        simulator.send_signal(SIGUSR1);
        ASSERT_TRUE(simulator.read_line(status));
        EXPECT_TRUE(status.starts_with("sessions 1 (diag) logins 1 refused 0 logouts 0 security_events 1 restarts 0 "
                                       "cpu_id "))
            << status;
        simulator.send_signal(SIGHUP);
        simulator.send_signal(SIGUSR1);
        ASSERT_TRUE(simulator.read_line(status));
        EXPECT_TRUE(status.starts_with("sessions 0 () logins 1 refused 0 logouts 0 security_events 1 restarts 1 "))
            << status;
    }
    simulator.send_signal(SIGTERM);
    EXPECT_EQ(simulator.wait().exit, 0);
}

}  // namespace
