#pragma once

// What the simulator programs (s7sim, s7websim) share: their argument errors, port numbers, and a
// main that serves until SIGINT or SIGTERM, acting on SIGHUP and SIGUSR1 where the program says how.

#include <cstdint>
#include <functional>
#include <map>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace korvel::probekit::simulators {

// A bad command line: the program prints it with its usage and exits 2.
class argument_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "--port"'s value: 1 to 65535, digits only; anything else is an argument_error.
std::uint16_t port_number(std::string_view text);

// What a program does on SIGHUP or SIGUSR1 while it serves; a signal without an action stops it.
using signal_actions = std::map<int, std::function<void()>>;

// Prints the port on the first line (tests and scripts read it) and blocks until SIGINT or SIGTERM,
// running the action of every other signal that has one.
class serve_until_stopped {
public:
    explicit serve_until_stopped(std::function<void(std::uint16_t, const signal_actions&)> serve)
        : serve_(std::move(serve)) {}
    void operator()(std::uint16_t port, const signal_actions& actions = {}) const { serve_(port, actions); }

private:
    std::function<void(std::uint16_t, const signal_actions&)> serve_;
};

// A simulator program's main. `--help` or `-h` anywhere prints `usage` and exits 0. Otherwise `start`
// parses the arguments, starts the simulator and calls `serve` while it runs; an argument_error exits
// 2 with the usage, any other exception 1, with the program's name in front of the message.
int run_simulator_program(
    std::string_view name, std::string_view usage, int argc, char** argv,
    const std::function<void(const std::vector<std::string_view>& arguments, const serve_until_stopped& serve)>&
        start);

}  // namespace korvel::probekit::simulators
