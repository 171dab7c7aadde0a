#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "simulators/https_server/test_certificates.hpp"

namespace korvel::probekit::simulators {

using http_headers = std::vector<std::pair<std::string, std::string>>;

// A request as the server received it.
struct http_request {
    std::string method;
    std::string path;
    std::string body;
    http_headers headers;

    // How many headers have this name, compared without regard to case.
    std::size_t header_count(std::string_view name) const;
    // The first header of this name, or an empty text.
    std::string header(std::string_view name) const;
};

// What the handler answers.
struct http_answer {
    http_answer(int status_code = 200, std::string text = "ok", std::string type = "text/plain",
                http_headers extra_headers = {})
        : status(status_code), body(std::move(text)), content_type(std::move(type)),
          headers(std::move(extra_headers)) {}

    int status;
    std::string body;
    std::string content_type;
    http_headers headers;
    // Not empty: the answer announces the whole body, sends only this many bytes of it and closes the
    // connection, as a peer failing mid-answer does.
    std::optional<std::size_t> cut_after;
};

using request_handler = std::function<http_answer(const http_request&)>;

// How long the server keeps an idle connection open before it closes it (TLS close_notify, then
// FIN), as web servers do after their keep-alive time.
inline constexpr std::chrono::seconds default_idle_close{2};

// An HTTPS server on 127.0.0.1, on a port the system picks, serving with the given certificate until
// it is destroyed. It counts the TCP connections it accepted and the TLS handshakes that completed, so
// tests can tell a kept-alive connection from a new one. The handler runs on the server's threads.
class https_test_server {
public:
    // On the given port, or on one the system picks when it is 0. Throws std::runtime_error when the
    // port cannot be bound.
    explicit https_test_server(const pem_identity& identity, request_handler handler = {},
                               std::uint16_t port = 0, std::chrono::seconds idle_close = default_idle_close);
    ~https_test_server();
    https_test_server(const https_test_server&) = delete;
    https_test_server& operator=(const https_test_server&) = delete;

    std::uint16_t port() const;
    std::size_t tcp_connections() const;
    std::size_t tls_handshakes() const;
    std::size_t requests() const;
    // The most recent requests, oldest first (at most the last 64).
    std::vector<http_request> received() const;

private:
    struct state;
    std::unique_ptr<state> state_;
};

}  // namespace korvel::probekit::simulators
