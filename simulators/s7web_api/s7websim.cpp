// s7websim: runs a simulated S7-1200/1500 Web API on 127.0.0.1 as a scenario file describes it,
// prints its port on the first line and serves until SIGINT or SIGTERM; SIGHUP restarts the CPU and
// SIGUSR1 prints the session table. `s7websim --help` tells the options.

#include <csignal>
#include <cstdint>
#include <iostream>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "simulators/program/simulator_program.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"

namespace {

namespace simulators = korvel::probekit::simulators;
using simulators::argument_error;
using simulators::port_number;

constexpr const char* usage =
    "usage: s7websim --scenario FILE [--port N] [--certificate FILE --key FILE]\n"
    "Runs a simulated S7-1200/1500 controller's Web API (JSON-RPC over HTTPS at /api/jsonrpc) on\n"
    "127.0.0.1 as the scenario file describes it, prints the port it listens on as the first line and\n"
    "serves until SIGINT or SIGTERM.\n"
    "  --scenario FILE     the controller to play (examples in simulators/s7web_api/scenarios/)\n"
    "  --port N            listen on port N (1 to 65535; default: a free port)\n"
    "  --certificate FILE  the server's certificate, PEM (default: one made at start for 127.0.0.1)\n"
    "  --key FILE          its private key, PEM (needed with --certificate)\n"
    "  --help              this text (also -h)\n"
    "Sessions: a login opens one (Api.Login, refused with error 4 while \"sessions\".\"max_sessions\"\n"
    "are live), a request presenting its token as X-Auth-Token keeps it alive for\n"
    "\"sessions\".\"lifetime_ms\", Api.Logout ends it. A request that needs rights answers error 2\n"
    "without a login in its batch or a live token; the user's \"permissions\" in the scenario say which\n"
    "rights it has (\"read_diagnostics\" for everything the sensors read; Api.GetPermissions lists\n"
    "them). Every login writes a security event (text id 0x6810) into the diagnostic buffer, newest\n"
    "first, as DiagnosticBuffer.Browse shows.\n"
    "Restart: kill -HUP <pid>, or \"restart_every_ms\" in the scenario, restarts the CPU: every session\n"
    "ends and Api.Ping answers a new CPU id.\n"
    "Status: kill -USR1 <pid> prints one line: the live sessions and their users, logins, refused\n"
    "logins, logouts, security events written, restarts and the CPU id.\n";

// A PEM certificate or key is a few kilobytes; a chain of several stays far below this.
constexpr std::size_t max_pem_bytes = 64 * 1024;

struct arguments {
    std::string scenario;
    std::uint16_t port = 0;
    std::string certificate;
    std::string key;
};

arguments parse(const std::vector<std::string_view>& given) {
    arguments parsed;
    for (std::size_t index = 0; index < given.size(); ++index) {
        const std::string_view argument = given[index];
        const auto value = [&](const char* what) {
            if (index + 1 == given.size())
                throw argument_error(std::string(argument) + " needs a value (" + what + ")");
            return given[++index];
        };
        if (argument == "--scenario") {
            parsed.scenario = value("a scenario file");
        } else if (argument == "--port") {
            parsed.port = port_number(value("a port number"));
        } else if (argument == "--certificate") {
            parsed.certificate = value("a PEM file");
        } else if (argument == "--key") {
            parsed.key = value("a PEM file");
        } else {
            throw argument_error("unknown argument \"" + std::string(argument) + "\"");
        }
    }
    if (parsed.scenario.empty()) throw argument_error("--scenario FILE is required");
    if (parsed.certificate.empty() != parsed.key.empty())
        throw argument_error("--certificate and --key go together");
    return parsed;
}

std::string read_pem(const std::string& file) {
    std::ifstream input(file, std::ios::binary);
    if (!input) throw std::runtime_error(file + ": cannot be read");
    std::string text(max_pem_bytes + 1, '\0');
    input.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(input.gcount()));
    if (text.size() > max_pem_bytes)
        throw std::runtime_error(file + ": larger than " + std::to_string(max_pem_bytes) + " bytes");
    return text;
}

// "sessions 2 (diag, diag) logins 5 refused 0 logouts 3 security_events 5 restarts 1 cpu_id 1f..."
std::string status_line(const simulators::s7web_api_simulator& simulator) {
    const auto users = simulator.session_users();
    std::string line = "sessions " + std::to_string(users.size()) + " (";
    for (std::size_t index = 0; index < users.size(); ++index) line += (index ? ", " : "") + users[index];
    return line + ") logins " + std::to_string(simulator.logins()) + " refused " +
           std::to_string(simulator.refused_logins()) + " logouts " + std::to_string(simulator.logouts()) +
           " security_events " + std::to_string(simulator.security_events()) + " restarts " +
           std::to_string(simulator.restarts()) + " cpu_id " + simulator.cpu_id();
}

}  // namespace

int main(int argc, char** argv) {
    return simulators::run_simulator_program(
        "s7websim", usage, argc, argv, [](const auto& given, const simulators::serve_until_stopped& serve) {
            const arguments options = parse(given);
            simulators::s7web_scenario scenario = simulators::load_scenario_file(options.scenario);
            std::optional<simulators::s7web_api_simulator> simulator;
            if (options.certificate.empty()) {
                simulator.emplace(std::move(scenario), options.port);
            } else {
                const simulators::pem_identity identity{read_pem(options.certificate), read_pem(options.key)};
                simulator.emplace(std::move(scenario), identity, options.port);
            }
            serve(simulator->port(),
                  {{SIGHUP, [&simulator] { simulator->restart(); }},
                   {SIGUSR1, [&simulator] { std::cout << status_line(*simulator) << std::endl; }}});
        });
}
