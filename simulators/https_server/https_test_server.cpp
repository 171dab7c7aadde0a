// The one source file that includes httplib.h: it is large, and Debian's build of it wants the same
// feature macros (set through its pkg-config flags) wherever it is included.
#include "simulators/https_server/https_test_server.hpp"

#include <httplib.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "libcertificatehelper/openssl_owners.hpp"

namespace korvel::probekit::simulators {
namespace {

using libcertificatehelper::bio_ptr;
using libcertificatehelper::evp_pkey_ptr;
using libcertificatehelper::x509_ptr;

// Enough threads for every kept-alive client of a benchmark: each open connection holds one.
constexpr std::size_t worker_threads = 16;
constexpr std::size_t kept_requests = 64;

bool same_name(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// httplib hands every accepted TCP connection to its task queue as one task: counting the tasks
// counts the connections.
class counting_queue final : public httplib::TaskQueue {
public:
    counting_queue(std::atomic<std::size_t>& accepted) : accepted_(accepted), pool_(worker_threads) {}
    void enqueue(std::function<void()> task) override {
        ++accepted_;
        pool_.enqueue(std::move(task));
    }
    void shutdown() override { pool_.shutdown(); }

private:
    std::atomic<std::size_t>& accepted_;
    httplib::ThreadPool pool_;
};

}  // namespace

std::size_t http_request::header_count(std::string_view name) const {
    return static_cast<std::size_t>(std::count_if(
        headers.begin(), headers.end(), [name](const auto& entry) { return same_name(entry.first, name); }));
}

std::string http_request::header(std::string_view name) const {
    const auto found = std::find_if(headers.begin(), headers.end(),
                                    [name](const auto& entry) { return same_name(entry.first, name); });
    return found == headers.end() ? std::string() : found->second;
}

struct https_test_server::state {
    state(const pem_identity& identity, request_handler answer, std::uint16_t wanted_port,
          std::chrono::seconds idle_close)
        : handler(answer ? std::move(answer) : [](const http_request&) { return http_answer{}; }),
          server([this, &identity](SSL_CTX& context) { return set_up_tls(context, identity); }) {
        if (!server.is_valid())
            throw std::runtime_error("the test HTTPS server could not load its certificate");
        server.new_task_queue = [this] { return new counting_queue(connections); };
        // Every request of a client on one connection, however many: tests count connections.
        server.set_keep_alive_max_count(1'000'000);
        server.set_keep_alive_timeout(static_cast<time_t>(idle_close.count()));
        // Headers and body leave in separate writes; without this, Nagle's algorithm and the client's
        // delayed acknowledgement hold every answer back by tens of milliseconds.
        server.set_tcp_nodelay(true);
        const auto serve = [this](const httplib::Request& request, httplib::Response& response) {
            respond(request, response);
        };
        server.Get(".*", serve);
        server.Post(".*", serve);
        port = wanted_port != 0 ? bind_to(wanted_port) : bind_to_free_port();
        listener = std::thread([this] { server.listen_after_bind(); });
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!server.is_running() && std::chrono::steady_clock::now() < give_up) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    ~state() {
        server.stop();
        if (listener.joinable()) listener.join();
    }

    std::uint16_t bind_to_free_port() {
        const int bound = server.bind_to_any_port("127.0.0.1");
        if (bound <= 0) throw std::runtime_error("the test HTTPS server found no free port");
        return static_cast<std::uint16_t>(bound);
    }

    std::uint16_t bind_to(std::uint16_t wanted) {
        if (!server.bind_to_port("127.0.0.1", wanted))
            throw std::runtime_error("cannot listen on 127.0.0.1:" + std::to_string(wanted) +
                                     " (in use, or a privileged port)");
        return wanted;
    }

    bool set_up_tls(SSL_CTX& context, const pem_identity& identity) {
        bio_ptr certificate_text(
            BIO_new_mem_buf(identity.certificate.data(), static_cast<int>(identity.certificate.size())));
        bio_ptr key_text(
            BIO_new_mem_buf(identity.private_key.data(), static_cast<int>(identity.private_key.size())));
        if (!certificate_text || !key_text) return false;
        const x509_ptr certificate(PEM_read_bio_X509(certificate_text.get(), nullptr, nullptr, nullptr));
        const evp_pkey_ptr key(PEM_read_bio_PrivateKey(key_text.get(), nullptr, nullptr, nullptr));
        if (!certificate || !key) return false;
        SSL_CTX_set_app_data(&context, this);
        SSL_CTX_set_info_callback(&context, [](const SSL* connection, int where, int) {
            if ((where & SSL_CB_HANDSHAKE_DONE) == 0) return;
            auto* self = static_cast<state*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(connection)));
            ++self->handshakes;
        });
        SSL_CTX_set_options(&context, SSL_OP_IGNORE_UNEXPECTED_EOF);
        return SSL_CTX_use_certificate(&context, certificate.get()) == 1 &&
               SSL_CTX_use_PrivateKey(&context, key.get()) == 1;
    }

    void respond(const httplib::Request& request, httplib::Response& response) {
        http_request received{request.method, request.path, request.body, {}};
        for (const auto& [name, value] : request.headers) received.headers.emplace_back(name, value);
        {
            std::lock_guard lock(mutex);
            recent.push_back(received);
            if (recent.size() > kept_requests) recent.pop_front();
        }
        ++request_count;
        const http_answer answer = handler(received);
        response.status = answer.status;
        for (const auto& [name, value] : answer.headers) response.set_header(name, value);
        if (!answer.cut_after) {
            response.set_content(answer.body, answer.content_type);
            return;
        }
        const std::size_t sent = std::min(*answer.cut_after, answer.body.size());
        response.set_content_provider(
            answer.body.size(), answer.content_type,
            [body = answer.body, sent](std::size_t, std::size_t, httplib::DataSink& sink) {
                sink.write(body.data(), sent);
                return false;  // the server closes the connection with the body unfinished
            });
    }

    const request_handler handler;
    std::atomic<std::size_t> connections{0};
    std::atomic<std::size_t> handshakes{0};
    std::atomic<std::size_t> request_count{0};
    mutable std::mutex mutex;
    std::deque<http_request> recent;
    httplib::SSLServer server;
    std::uint16_t port = 0;
    std::thread listener;
};

https_test_server::https_test_server(const pem_identity& identity, request_handler handler, std::uint16_t port,
                                     std::chrono::seconds idle_close)
    : state_(std::make_unique<state>(identity, std::move(handler), port, idle_close)) {}

https_test_server::~https_test_server() = default;

std::uint16_t https_test_server::port() const {
    return state_->port;
}
std::size_t https_test_server::tcp_connections() const {
    return state_->connections;
}
std::size_t https_test_server::tls_handshakes() const {
    return state_->handshakes;
}
std::size_t https_test_server::requests() const {
    return state_->request_count;
}

std::vector<http_request> https_test_server::received() const {
    std::lock_guard lock(state_->mutex);
    return {state_->recent.begin(), state_->recent.end()};
}

}  // namespace korvel::probekit::simulators
