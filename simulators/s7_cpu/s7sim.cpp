// s7sim: runs the simulated S7 CPU on 127.0.0.1, prints its port on the first line and serves until
// SIGINT or SIGTERM. `s7sim --help` tells the options.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "simulators/program/simulator_program.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

constexpr const char* usage =
    "usage: s7sim [--port N] [--stop]\n"
    "Runs a simulated S7-300 CPU (snap7's server) on 127.0.0.1, prints the port it listens on as the\n"
    "first line and serves until SIGINT or SIGTERM.\n"
    "  --port N   listen on port N (1 to 65535; default: a free port)\n"
    "  --stop     start with the CPU in STOP instead of RUN\n"
    "  --help     this text (also -h)\n";

struct arguments {
    std::uint16_t port = 0;
    bool stop = false;
};

arguments parse(const std::vector<std::string_view>& given) {
    using korvel::probekit::simulators::argument_error;
    using korvel::probekit::simulators::port_number;
    arguments parsed;
    for (std::size_t index = 0; index < given.size(); ++index) {
        const std::string_view argument = given[index];
        if (argument == "--stop") {
            parsed.stop = true;
        } else if (argument == "--port") {
            if (index + 1 == given.size()) throw argument_error("--port needs a value (a port number)");
            parsed.port = port_number(given[++index]);
        } else if (argument.starts_with("--port=")) {
            parsed.port = port_number(argument.substr(7));
        } else {
            const bool looks_like_port =
                !argument.empty() && argument.find_first_not_of("0123456789") == std::string_view::npos;
            throw argument_error(
                "unknown argument \"" + std::string(argument) + "\"" +
                (looks_like_port ? " (a port is given as --port " + std::string(argument) + ")" : ""));
        }
    }
    return parsed;
}

}  // namespace

int main(int argc, char** argv) {
    namespace simulators = korvel::probekit::simulators;
    return simulators::run_simulator_program(
        "s7sim", usage, argc, argv, [](const auto& given, const simulators::serve_until_stopped& serve) {
            const arguments options = parse(given);
            simulators::s7_cpu_simulator simulator(options.port);
            if (options.stop) simulator.set_cpu_state(simulators::cpu_state::stop);
            serve(simulator.port());
        });
}
