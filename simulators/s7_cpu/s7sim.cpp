// s7sim: runs the simulated S7 CPU on 127.0.0.1, prints its port on the first line and serves until
// SIGINT or SIGTERM. `s7sim --help` tells the options.

#include <charconv>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

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
    bool help = false;
    std::uint16_t port = 0;
    bool stop = false;
};

class argument_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::uint16_t port_number(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535)
        throw argument_error("--port expects a port number from 1 to 65535, not \"" + std::string(text) +
                             "\"");
    return static_cast<std::uint16_t>(value);
}

arguments parse(const std::vector<std::string_view>& given) {
    arguments parsed;
    for (std::size_t index = 0; index < given.size(); ++index) {
        const std::string_view argument = given[index];
        if (argument == "--help" || argument == "-h") {
            parsed.help = true;
        } else if (argument == "--stop") {
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
    arguments options;
    try {
        options = parse(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const argument_error& error) {
        std::cerr << "s7sim: " << error.what() << "\n" << usage;
        return 2;
    }
    if (options.help) {
        std::cout << usage;
        return EXIT_SUCCESS;
    }

    // Blocked before snap7 starts its threads, which inherit the mask, so only sigwait receives them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    try {
        korvel::probekit::simulators::s7_cpu_simulator simulator(options.port);
        if (options.stop) simulator.set_cpu_state(korvel::probekit::simulators::cpu_state::stop);
        std::cout << simulator.port() << std::endl;
        int received = 0;
        sigwait(&stop_signals, &received);
    } catch (const std::exception& error) {
        std::cerr << "s7sim: " << error.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
