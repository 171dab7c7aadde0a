#pragma once

// Simulated S7-300 PLCs for the drivers: snap7 servers on loopback ports in a child process of their
// own, so their CPU time is not the host's, plus one listener that accepts TCP and never answers.

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace korvel::probekit::bench {

using korvel::probekit::simulators::s7_cpu_simulator;

// The PLCs live in a child process: it prints their ports and one hung listener's port to the pipe,
// then runs until the parent closes its end.
struct plc_process {
    pid_t pid = -1;
    std::vector<std::uint16_t> ports;
    std::uint16_t hung_port = 0;
    int keep_alive = -1;
};

inline std::uint16_t hung_listener(std::vector<int>& accepted) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 64) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::exit(3);
    }
    std::thread([listener, &accepted] {
        for (;;) {
            const int link = accept(listener, nullptr, nullptr);
            if (link >= 0) accepted.push_back(link);  // held open, never read, never answered
        }
    }).detach();
    return ntohs(address.sin_port);
}

inline plc_process start_plcs(int plcs) {
    int ports_pipe[2], alive_pipe[2];
    if (pipe(ports_pipe) != 0 || pipe(alive_pipe) != 0) throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        close(ports_pipe[0]);
        close(alive_pipe[1]);
        std::vector<s7_cpu_simulator> simulators;
        std::vector<int> accepted;
        std::string line;
        for (int i = 0; i < plcs; ++i) {
            simulators.emplace_back();
            line += std::to_string(simulators.back().port()) + " ";
        }
        line += std::to_string(hung_listener(accepted)) + "\n";
        if (write(ports_pipe[1], line.data(), line.size()) != static_cast<ssize_t>(line.size())) std::_Exit(3);
        close(ports_pipe[1]);
        char byte;
        while (read(alive_pipe[0], &byte, 1) > 0) {
        }
        std::_Exit(0);
    }
    close(ports_pipe[1]);
    close(alive_pipe[0]);
    std::string text;
    char chunk[512];
    for (ssize_t got; (got = read(ports_pipe[0], chunk, sizeof chunk)) > 0;) text.append(chunk, static_cast<std::size_t>(got));
    close(ports_pipe[0]);
    plc_process process{pid, {}, 0, alive_pipe[1]};
    std::istringstream numbers(text);
    for (unsigned port; numbers >> port;) process.ports.push_back(static_cast<std::uint16_t>(port));
    if (process.ports.size() != static_cast<std::size_t>(plcs) + 1) throw std::runtime_error("the PLC process did not start");
    process.hung_port = process.ports.back();
    process.ports.pop_back();
    return process;
}

}  // namespace korvel::probekit::bench
