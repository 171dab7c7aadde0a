#include "simulators/program/simulator_program.hpp"

#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

namespace korvel::probekit::simulators {

std::uint16_t port_number(std::string_view text) {
    unsigned value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > 65535)
        throw argument_error("--port expects a port number from 1 to 65535, not \"" + std::string(text) +
                             "\"");
    return static_cast<std::uint16_t>(value);
}

int run_simulator_program(
    std::string_view name, std::string_view usage, int argc, char** argv,
    const std::function<void(const std::vector<std::string_view>& arguments, const serve_until_stopped& serve)>&
        start) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (std::any_of(arguments.begin(), arguments.end(),
                    [](std::string_view argument) { return argument == "--help" || argument == "-h"; })) {
        std::cout << usage;
        return EXIT_SUCCESS;
    }

    // Blocked before the simulator starts its threads, which inherit the mask, so only sigwait
    // receives them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGHUP);
    sigaddset(&stop_signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    try {
        start(arguments, serve_until_stopped([&stop_signals](std::uint16_t port, const signal_actions& actions) {
            std::cout << port << std::endl;
            for (;;) {
                int received = 0;
                sigwait(&stop_signals, &received);
                const auto action = actions.find(received);
                if (action == actions.end()) return;
                action->second();
            }
        }));
    } catch (const argument_error& error) {
        std::cerr << name << ": " << error.what() << "\n" << usage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << name << ": " << error.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

}  // namespace korvel::probekit::simulators
