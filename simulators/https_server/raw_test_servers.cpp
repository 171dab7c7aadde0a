#include "simulators/https_server/raw_test_servers.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvel::probekit::simulators {
namespace {

// How often blocked waits look at the stop flag.
constexpr int poll_interval_ms = 20;

sockaddr_in loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

bool send_all(int socket, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

}  // namespace

void raw_tcp_server::relay(int socket, std::uint16_t backend_port) {
    const int backend = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (backend < 0) return;
    sockaddr_in address = loopback(backend_port);
    if (::connect(backend, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(backend);
        return;
    }
    std::array<pollfd, 2> ends{pollfd{socket, POLLIN, 0}, pollfd{backend, POLLIN, 0}};
    std::array<char, 16384> buffer{};
    bool open = true;
    while (open && !stopping()) {
        if (::poll(ends.data(), ends.size(), poll_interval_ms) <= 0) continue;
        for (std::size_t side = 0; side < ends.size() && open; ++side) {
            if (ends[side].revents == 0) continue;
            const ssize_t received = ::recv(ends[side].fd, buffer.data(), buffer.size(), 0);
            open = received > 0 &&
                   send_all(ends[1 - side].fd, buffer.data(), static_cast<std::size_t>(received));
        }
    }
    ::close(backend);
}

raw_tcp_server::raw_tcp_server() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener_ < 0) throw std::runtime_error("raw test server: no socket");
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listener_);
        throw std::runtime_error("raw test server: cannot listen on 127.0.0.1");
    }
    port_ = ntohs(address.sin_port);
}

raw_tcp_server::~raw_tcp_server() {
    if (listener_ >= 0) ::close(listener_);
}

void raw_tcp_server::start() {
    acceptor_ = std::thread([this] { accept_loop(); });
}

void raw_tcp_server::stop() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> servers;
    {
        std::lock_guard lock(mutex_);
        // Wakes every server thread that waits on its connection.
        for (const int socket : open_sockets_) ::shutdown(socket, SHUT_RDWR);
        servers.swap(servers_);
    }
    for (auto& server : servers) server.join();
}

void raw_tcp_server::accept_loop() {
    while (!stopping_) {
        pollfd waiting{listener_, POLLIN, 0};
        if (::poll(&waiting, 1, poll_interval_ms) <= 0) continue;
        const int socket = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0) continue;
        const std::size_t number = ++accepted_;
        std::lock_guard lock(mutex_);
        open_sockets_.push_back(socket);
        servers_.emplace_back([this, socket, number] {
            serve(socket, number);
            std::lock_guard closing(mutex_);
            std::erase(open_sockets_, socket);
            ::close(socket);
        });
    }
}

void silent_server::serve(int socket, std::size_t) {
    // Reads and drops whatever comes, answering nothing, until the client or the server gives up.
    std::array<char, 4096> ignored{};
    while (!stopping()) {
        pollfd waiting{socket, POLLIN, 0};
        if (::poll(&waiting, 1, poll_interval_ms) <= 0) continue;
        if (::recv(socket, ignored.data(), ignored.size(), 0) <= 0) return;
    }
}

void flaky_tls_front::serve(int socket, std::size_t number) {
    if (number <= failures_) {
        constexpr std::string_view not_tls = "HTTP/1.1 400 Bad Request\r\nConnection: close\r\n\r\n";
        send_all(socket, not_tls.data(), not_tls.size());
        return;
    }
    relay(socket, backend_port_);
}

void stale_digest_proxy::serve(int socket, std::size_t) {
    std::string received;
    std::array<char, 4096> buffer{};
    while (!stopping()) {
        pollfd waiting{socket, POLLIN, 0};
        if (::poll(&waiting, 1, poll_interval_ms) <= 0) continue;
        const ssize_t count = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (count <= 0) return;
        received.append(buffer.data(), static_cast<std::size_t>(count));
        // One answer per complete request head; CONNECT requests carry no body.
        for (auto end = received.find("\r\n\r\n"); end != std::string::npos;
             end = received.find("\r\n\r\n")) {
            received.erase(0, end + 4);
            const std::size_t number = ++connect_requests_;
            if (number > challenges_) {
                constexpr std::string_view established = "HTTP/1.1 200 Connection established\r\n\r\n";
                if (send_all(socket, established.data(), established.size())) relay(socket, backend_port_);
                return;
            }
            const std::string challenge =
                "HTTP/1.1 407 Proxy Authentication Required\r\n"
                "Proxy-Authenticate: Digest realm=\"plant\", qop=\"auth\", nonce=\"n" +
                std::to_string(number) + "\", stale=true\r\nContent-Length: 0\r\n\r\n";
            if (!send_all(socket, challenge.data(), challenge.size())) return;
        }
    }
}

}  // namespace korvel::probekit::simulators
