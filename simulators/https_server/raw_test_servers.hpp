#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace korvel::probekit::simulators {

// A TCP listener on 127.0.0.1 on a port the system picks, whose accepted connections a subclass
// serves. Closing the listener and every connection it accepted ends the server.
class raw_tcp_server {
public:
    raw_tcp_server();
    virtual ~raw_tcp_server();
    raw_tcp_server(const raw_tcp_server&) = delete;
    raw_tcp_server& operator=(const raw_tcp_server&) = delete;

    std::uint16_t port() const { return port_; }
    std::size_t connections() const { return accepted_; }

protected:
    // Starts accepting; a subclass calls it once it is fully constructed.
    void start();
    // Ends accepting and serving; a subclass calls it first thing in its destructor.
    void stop();
    bool stopping() const { return stopping_; }
    // Passes bytes both ways between `socket` and a new connection to `backend_port` on 127.0.0.1
    // until either side closes or the server stops.
    void relay(int socket, std::uint16_t backend_port);
    // Runs on a thread of its own for each connection; `number` counts from 1. The server closes the
    // socket afterwards.
    virtual void serve(int socket, std::size_t number) = 0;

private:
    void accept_loop();

    int listener_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<std::size_t> accepted_{0};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<int> open_sockets_;
    std::vector<std::thread> servers_;
};

// Accepts connections and never sends a byte: a TLS client waits for a handshake that never comes.
class silent_server final : public raw_tcp_server {
public:
    silent_server() { start(); }
    ~silent_server() override { stop(); }

private:
    void serve(int socket, std::size_t number) override;
};

// Answers the first `failures` connections with bytes that are no TLS and closes them, so the
// client's handshake fails; relays every later connection to `backend_port` on 127.0.0.1.
class flaky_tls_front final : public raw_tcp_server {
public:
    flaky_tls_front(std::uint16_t backend_port, std::size_t failures)
        : backend_port_(backend_port), failures_(failures) {
        start();
    }
    ~flaky_tls_front() override { stop(); }

private:
    void serve(int socket, std::size_t number) override;

    const std::uint16_t backend_port_;
    const std::size_t failures_;
};

// An HTTP proxy that answers CONNECT with 407 and a fresh digest challenge marked stale=true, on the
// same connection: a client that believes it only needs the new nonce asks again. After `challenges`
// of them it opens the tunnel to `backend_port` on 127.0.0.1; by default it never does.
class stale_digest_proxy final : public raw_tcp_server {
public:
    explicit stale_digest_proxy(std::size_t challenges = SIZE_MAX, std::uint16_t backend_port = 0)
        : challenges_(challenges), backend_port_(backend_port) {
        start();
    }
    ~stale_digest_proxy() override { stop(); }

    std::size_t connect_requests() const { return connect_requests_; }

private:
    void serve(int socket, std::size_t number) override;

    const std::size_t challenges_;
    const std::uint16_t backend_port_;
    std::atomic<std::size_t> connect_requests_{0};
};

}  // namespace korvel::probekit::simulators
