#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <snap7.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <string>
#include <utility>

namespace korvel::probekit::simulators {

namespace {

constexpr const char* loopback = "127.0.0.1";

std::string server_error_text(int result) {
    char text[1024] = {};
    Srv_ErrorText(result, text, sizeof text - 1);
    return text;
}

// A port the kernel has just handed out for 127.0.0.1. Another process may take it before the
// server binds it; start-up then tries again with a new one.
std::uint16_t free_loopback_port() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    if (probe < 0) throw std::runtime_error("Cannot create a socket to find a free port");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool found = ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                       ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0;
    ::close(probe);
    if (!found) throw std::runtime_error("Cannot find a free port on 127.0.0.1");
    return ntohs(address.sin_port);
}

// Owns one snap7 server object; destroying it stops the server and its client threads.
class server_handle {
public:
    server_handle() : handle_(Srv_Create()) {
        if (handle_ == 0) throw std::bad_alloc();
    }
    ~server_handle() {
        if (handle_ != 0) Srv_Destroy(&handle_);
    }
    server_handle(const server_handle&) = delete;
    server_handle& operator=(const server_handle&) = delete;

    S7Object get() const { return handle_; }

private:
    S7Object handle_;
};

}  // namespace

class s7_cpu_simulator::impl {
public:
    explicit impl(std::uint16_t port) : port_(port) {
        if (port_ != 0) {
            start();
            return;
        }
        constexpr int attempts = 5;
        for (int attempt = 1; attempt < attempts; ++attempt) {
            port_ = free_loopback_port();
            if (try_start() == 0) return;
        }
        port_ = free_loopback_port();
        start();
    }

    std::uint16_t port() const { return port_; }

    void start() {
        if (const int result = try_start(); result != 0) {
            throw std::runtime_error("Cannot start the S7 CPU simulator on 127.0.0.1:" +
                                     std::to_string(port_) + ": " + server_error_text(result));
        }
    }

    void stop() { Srv_Stop(server_.get()); }

    void set_cpu_state(cpu_state state) {
        Srv_SetCpuStatus(server_.get(), state == cpu_state::run ? S7CpuStatusRun : S7CpuStatusStop);
    }

    int client_count() const {
        int server_status = 0;
        int cpu_status = 0;
        int clients = 0;
        Srv_GetStatus(server_.get(), &server_status, &cpu_status, &clients);
        return clients;
    }

private:
    int try_start() {
        std::uint16_t port = port_;
        if (const int result = Srv_SetParam(server_.get(), p_u16_LocalPort, &port); result != 0)
            return result;
        return Srv_StartTo(server_.get(), loopback);
    }

    server_handle server_;
    std::uint16_t port_;
};

s7_cpu_simulator::s7_cpu_simulator(std::uint16_t port) : impl_(std::make_unique<impl>(port)) {}
s7_cpu_simulator::~s7_cpu_simulator() = default;
s7_cpu_simulator::s7_cpu_simulator(s7_cpu_simulator&&) noexcept = default;
s7_cpu_simulator& s7_cpu_simulator::operator=(s7_cpu_simulator&&) noexcept = default;

std::uint16_t s7_cpu_simulator::port() const {
    return impl_->port();
}
void s7_cpu_simulator::stop() {
    impl_->stop();
}
void s7_cpu_simulator::start() {
    impl_->start();
}
void s7_cpu_simulator::set_cpu_state(cpu_state state) {
    impl_->set_cpu_state(state);
}
int s7_cpu_simulator::client_count() const {
    return impl_->client_count();
}

}  // namespace korvel::probekit::simulators
