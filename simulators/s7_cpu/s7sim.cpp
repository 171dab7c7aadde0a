// s7sim [port]: runs the simulated S7 CPU on 127.0.0.1 (a free port when none is given), prints the
// port on the first line and serves until SIGINT or SIGTERM.

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <stdexcept>
#include <string>

#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

int main(int argc, char** argv) {
    // Blocked before snap7 starts its threads, which inherit the mask, so only sigwait receives them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    try {
        const unsigned long port = argc > 1 ? std::stoul(argv[1]) : 0;
        if (port > 65535) throw std::out_of_range("port above 65535");
        korvel::probekit::simulators::s7_cpu_simulator simulator(static_cast<std::uint16_t>(port));
        std::cout << simulator.port() << std::endl;
        int received = 0;
        sigwait(&stop_signals, &received);
    } catch (const std::exception& error) {
        std::cerr << "s7sim: " << error.what() << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
