#include "libresthelper/impl_curl.hpp"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "libcertificatehelper/strict_verification.hpp"
#include "libcertificatehelper/system_ca_bundle.hpp"
#include "libdeadline/deadline_mutex.hpp"
#include "libresthelper/attempt_timeout.hpp"
#include "libresthelper/basic_authentication_provider.hpp"
#include "libresthelper/curl_owners.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/received_answer.hpp"
#include "libresthelper/request_lines.hpp"
#include "libresthelper/transfer_failure.hpp"
#include "module/sensors/banners.hpp"

namespace korvel::probekit::libresthelper {
namespace {

using libcertificatehelper::system_ca_bundle;
using libdeadline::deadline;
using libdeadline::deadline_exceeded;

// A handshake that fails is tried again, up to this many attempts in all.
constexpr int max_attempts = 4;

// One try at a transfer, and what it left.
struct attempt {
    int number = 0;
    long timeout_ms = 0;
    CURLcode result = CURLE_OK;
    std::string cause;  // of the failed handshake before, when this is a retry
};

std::string user_agent() {
    return "Veltra/" + std::string(libvexahelper::sensors::banners::module_version) + " Korvel";
}

// Every TLS context libcurl makes for this client passes here before its handshake.
CURLcode prepare_tls_context(CURL*, void* context, void* strict_trust) {
    auto* tls = static_cast<SSL_CTX*>(context);
    // Devices often close without a TLS close_notify; that ends an answer, it does not spoil it.
    SSL_CTX_set_options(tls, SSL_OP_IGNORE_UNEXPECTED_EOF);
    if (strict_trust != nullptr) {
        libcertificatehelper::install_strict_verification(
            tls, *static_cast<const system_ca_bundle*>(strict_trust));
    }
    return CURLE_OK;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* answer) {
    return static_cast<received_answer*>(answer)->add_body(std::string_view(data, size * count))
               ? size * count
               : 0;
}

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* answer) {
    return static_cast<received_answer*>(answer)->add_header_line(std::string_view(data, size * count))
               ? size * count
               : 0;
}

// The base URL as requests use it: user information goes into a header, never into the URL.
std::string request_base(url base) {
    base.user.clear();
    base.password.clear();
    return to_string(base);
}

// libcurl wants an IPv6 proxy address in brackets.
std::string proxy_host(const std::string& host) {
    return host.find(':') == std::string::npos ? host : "[" + host + "]";
}

}  // namespace

class impl_curl::transport {
public:
    explicit transport(settings client_settings)
        : settings_(std::move(client_settings)),
          base_(request_base(settings_.base_url)),
          strict_trust_(settings_.certificate_validation == certificate_validation::strict
                            ? system_ca_bundle::shared()
                            : nullptr),
          easy_(make_easy_handle()) {
        configure();
    }

    response perform(const request& to_send, const deadline& scan) {
        std::unique_lock lock(mutex_, std::defer_lock);
        if (!lock.try_lock_until(scan.at())) {
            throw deadline_exceeded(scan, "(waiting for another request on the connection to " +
                                              settings_.base_url.host + " to finish)");
        }
        const std::string address = request_url(base_, to_send);
        if (renew_options_) renew_options();
        prepare(to_send, address);
        attempt last;
        for (last.number = 1;; ++last.number) {
            if (scan.expired())
                throw deadline_exceeded(scan, last.cause.empty() ? "" : "(" + last.cause + ")");
            last.timeout_ms = attempt_timeout_ms(settings_.timeout, scan);
            set(CURLOPT_CONNECTTIMEOUT_MS, last.timeout_ms);
            set(CURLOPT_TIMEOUT_MS, last.timeout_ms);
            answer_.clear();
            error_buffer_[0] = '\0';
            last.result = curl_easy_perform(easy_.get());
            cookies_stored_ = cookies_stored_ || answer_.offered_cookies();
            if (!is_handshake_failure(last.result) || last.number == max_attempts) break;
            last.cause = cause_of(failure_of(last, address));
        }
        long new_connections = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_NUM_CONNECTS, &new_connections);
        renew_options_ = new_connections > 0;
        long status = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &status);
        if (last.result != CURLE_OK || status == 0) fail(last, address, scan);
        return {status, answer_.take_body(), answer_.take_headers(), received_cookies()};
    }

private:
    template <typename Value>
    void set(CURLoption option, Value value) {
        if (const CURLcode result = curl_easy_setopt(easy_.get(), option, value); result != CURLE_OK) {
            throw_transfer_failure(result);
        }
    }

    // What stays the same for every request of the client.
    void configure() {
        // Timeouts must not use signals: scans run on several threads of the host.
        set(CURLOPT_NOSIGNAL, 1L);
        set(CURLOPT_USERAGENT, user_agent().c_str());
        // A redirect comes back as the response; it is never followed.
        set(CURLOPT_FOLLOWLOCATION, 0L);
        set(CURLOPT_MAXREDIRS, -1L);
        set(CURLOPT_ERRORBUFFER, error_buffer_);
        set(CURLOPT_WRITEFUNCTION, on_body);
        set(CURLOPT_WRITEDATA, &answer_);
        set(CURLOPT_HEADERFUNCTION, on_header);
        set(CURLOPT_HEADERDATA, &answer_);
        // Starts the cookie engine without a file, so the answer's cookies can be read back.
        set(CURLOPT_COOKIEFILE, "");
        // Our headers go to the server only, never to the proxy.
        set(CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
        // A connection idle for a second or more is not reused but replaced. Servers close idle
        // connections after their keep-alive time, and libcurl 7.88 counts every retry on such a dead
        // connection per handle without ever resetting the count: the sixth fails the request with
        // "Connection died, tried 5 times before giving up". The requests of a scan follow each other
        // closely and still share their connection; scans seconds apart would find it closed anyway.
        // (Resetting the handle before each request also clears the count, but costs more: every
        // option set again, in strict mode the whole CA bundle copied again.)
        set(CURLOPT_MAXAGE_CONN, 0L);
        configure_tls();
        configure_proxy();
    }

    void configure_tls() {
        set(CURLOPT_SSL_CTX_FUNCTION, prepare_tls_context);
        set(CURLOPT_SSL_CTX_DATA, static_cast<void*>(strict_trust_.get()));
        switch (settings_.certificate_validation) {
            case certificate_validation::strict:
                set(CURLOPT_SSL_VERIFYPEER, 1L);
                set(CURLOPT_SSL_VERIFYHOST, 2L);
                // Trust exactly the bundle (set per request, when it changed), not libcurl's own default.
                set(CURLOPT_CAINFO, static_cast<const char*>(nullptr));
                set(CURLOPT_CAPATH, static_cast<const char*>(nullptr));
                break;
            case certificate_validation::hostname_only:
                set(CURLOPT_SSL_VERIFYPEER, 0L);
                set(CURLOPT_SSL_VERIFYHOST, 2L);
                break;
            case certificate_validation::none:
            default:
                set(CURLOPT_SSL_VERIFYPEER, 0L);
                set(CURLOPT_SSL_VERIFYHOST, 0L);
                break;
        }
    }

    void configure_proxy() {
        if (!settings_.proxy) {
            // An empty proxy tells libcurl to use none, whatever https_proxy and the like say.
            set(CURLOPT_PROXY, "");
            return;
        }
        const proxy_settings& proxy = *settings_.proxy;
        set(CURLOPT_PROXY_SSL_VERIFYPEER, 0L);
        set(CURLOPT_PROXY_SSL_VERIFYHOST, 0L);
        set(CURLOPT_PROXY, proxy_host(proxy.host).c_str());
        set(CURLOPT_PROXYPORT, static_cast<long>(proxy.port));
        set(CURLOPT_PROXYTYPE, static_cast<long>(CURLPROXY_HTTP));
        set(CURLOPT_HTTPPROXYTUNNEL, 1L);
        set(CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_NONE));
        if (!proxy.user.empty()) {
            set(CURLOPT_PROXYUSERNAME, proxy.user.c_str());
            set(CURLOPT_PROXYPASSWORD, proxy.password.c_str());
            set(CURLOPT_PROXYAUTH, static_cast<unsigned long>(CURLAUTH_ANY & ~CURLAUTH_DIGEST_IE));
        }
    }

    // libcurl 7.88 counts the retries on connections found dead per handle and never resets the count
    // but here: after a transfer that connected anew (as every such retry does), the next request
    // starts from reset options. That costs a few microseconds (in strict mode the CA bundle copied
    // again), little next to the handshake that transfer already paid; connections, cookies and TLS
    // sessions stay. Without it a server that closes connections sooner than they age out (see
    // CURLOPT_MAXAGE_CONN), or restarts, would fail every sixth such request.
    void renew_options() {
        // A reset forgets the cookie file list without freeing it (libcurl 7.88): clearing the list
        // first frees it, stops the cookie engine and drops its cookies, which no request keeps anyway.
        set(CURLOPT_COOKIEFILE, static_cast<const char*>(nullptr));
        cookies_stored_ = false;
        curl_easy_reset(easy_.get());
        configure();
        headers_.reset();
        header_lines_sent_.clear();
        trust_generation_ = 0;
        renew_options_ = false;
    }

    // What changes from one request to the next.
    void prepare(const request& to_send, const std::string& address) {
        // Each request starts from an empty cookie store. Emptying it, and reading it back after the
        // transfer, is skipped while no answer offered a cookie: the store is empty then anyway.
        if (cookies_stored_) {
            set(CURLOPT_COOKIELIST, "ALL");
            cookies_stored_ = false;
        }
        set(CURLOPT_URL, address.c_str());
        refresh_trust();
        use_header_lines(request_header_lines(to_send, address));
        // libcurl copies the texts it is given; only the header list must outlive the transfer.
        const std::string cookies = cookie_line(settings_.default_cookies, to_send);
        set(CURLOPT_COOKIE, cookies.empty() ? nullptr : cookies.c_str());
        switch (to_send.method) {
            case method::head:
                set(CURLOPT_NOBODY, 1L);
                break;
            case method::post:
                set(CURLOPT_NOBODY, 0L);
                set(CURLOPT_POSTFIELDS, to_send.body.c_str());
                set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(to_send.body.size()));
                break;
            case method::get:
            default:
                set(CURLOPT_HTTPGET, 1L);
                break;
        }
    }

    // The bundle is handed over again only after it was rebuilt: libcurl copies it, and an unchanged
    // bundle keeps the open connection usable.
    void refresh_trust() {
        if (!strict_trust_) return;
        const auto trust = strict_trust_->current();
        if (trust->generation == trust_generation_) return;
        if (trust->pem.empty()) {
            set(CURLOPT_CAINFO_BLOB, static_cast<curl_blob*>(nullptr));
        } else {
            curl_blob blob{const_cast<char*>(trust->pem.data()), trust->pem.size(), CURL_BLOB_COPY};
            set(CURLOPT_CAINFO_BLOB, &blob);
        }
        trust_generation_ = trust->generation;
    }

    std::vector<std::string> request_header_lines(const request& to_send, const std::string& address) const {
        const bool user_in_url = !settings_.base_url.user.empty();
        if (user_in_url && settings_.authentication) throw exceptions::multiple_authentication_methods();
        std::optional<std::pair<std::string, std::string>> authentication;
        if (user_in_url) {
            authentication =
                basic_authentication_provider(settings_.base_url.user, settings_.base_url.password)
                    .get_header(address);
        } else if (settings_.authentication) {
            authentication = settings_.authentication->get_header(address);
        }
        return header_lines(authentication, settings_.default_headers, to_send);
    }

    // A client's requests mostly carry the same headers: libcurl's list is built anew only when they
    // changed.
    void use_header_lines(std::vector<std::string> lines) {
        if (headers_ && lines == header_lines_sent_) return;
        string_list list;
        for (const auto& line : lines) {
            curl_slist* longer = curl_slist_append(list.get(), line.c_str());
            if (longer == nullptr)
                throw exceptions::add_header_failed(line.substr(0, line.find_first_of(":;")));
            static_cast<void>(list.release());
            list.reset(longer);
        }
        set(CURLOPT_HTTPHEADER, list.get());
        headers_ = std::move(list);
        header_lines_sent_ = std::move(lines);
    }

    std::unordered_map<std::string, std::string> received_cookies() {
        if (!cookies_stored_) return {};
        curl_slist* raw = nullptr;
        if (curl_easy_getinfo(easy_.get(), CURLINFO_COOKIELIST, &raw) != CURLE_OK) return {};
        const string_list cookies(raw);
        std::unordered_map<std::string, std::string> named;
        for (const curl_slist* line = cookies.get(); line != nullptr; line = line->next) {
            if (auto cookie = cookie_of_line(line->data))
                named.insert_or_assign(cookie->first, cookie->second);
        }
        return named;
    }

    // Whom a transfer reaches first: the proxy when there is one, else the server.
    std::string peer() const {
        if (settings_.proxy) return settings_.proxy->host + " port " + std::to_string(settings_.proxy->port);
        return settings_.base_url.host + " port " + std::to_string(settings_.base_url.port.value_or(443));
    }

    transfer_stage stage_reached(long status, long connect_code) {
        long local_port = 0;
        curl_off_t handshaken = 0;
        curl_off_t sending = 0;
        // The local port is known once a TCP connection stands; libcurl's connect time only once TLS
        // (or the tunnel) is up as well.
        curl_easy_getinfo(easy_.get(), CURLINFO_LOCAL_PORT, &local_port);
        curl_easy_getinfo(easy_.get(), CURLINFO_APPCONNECT_TIME_T, &handshaken);
        curl_easy_getinfo(easy_.get(), CURLINFO_PRETRANSFER_TIME_T, &sending);
        // A reused connection reports no connect times, only that the request went out.
        if (status != 0) return transfer_stage::receiving;
        if (sending > 0) return transfer_stage::awaiting_answer;
        if (local_port == 0) return transfer_stage::connecting;
        if (settings_.proxy && connect_code / 100 != 2) return transfer_stage::tunnelling;
        if (handshaken == 0) return transfer_stage::handshaking;
        return transfer_stage::awaiting_answer;
    }

    transfer_failure failure_of(const attempt& last, const std::string& address) {
        transfer_failure failure;
        failure.result = static_cast<int>(last.result);
        failure.error_text = error_buffer_;
        failure.url = address;
        failure.peer = peer();
        failure.via_proxy = settings_.proxy.has_value();
        curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &failure.response_code);
        curl_easy_getinfo(easy_.get(), CURLINFO_HTTP_CONNECTCODE, &failure.connect_code);
        long os_error = 0;
        curl_easy_getinfo(easy_.get(), CURLINFO_OS_ERRNO, &os_error);
        failure.os_error = static_cast<int>(os_error);
        curl_easy_getinfo(easy_.get(), CURLINFO_SSL_VERIFYRESULT, &failure.verify_result);
        failure.peer_verified = settings_.certificate_validation == certificate_validation::strict;
        failure.proxy_refusals = answer_.proxy_challenges();
        failure.proxy_cut_off = answer_.proxy_cut_off();
        if (failure.proxy_cut_off) failure.connect_code = 407;
        failure.handshake_attempts = last.number;
        failure.stage = stage_reached(failure.response_code, failure.connect_code);
        failure.timeout_ms = last.timeout_ms;
        failure.answer_too_large = answer_.exceeded_limit();
        if (failure.answer_too_large) failure.answer_limit_text = answer_.limit_text();
        return failure;
    }

    [[noreturn]] void fail(const attempt& last, const std::string& address, const deadline& scan) {
        const transfer_failure failure = failure_of(last, address);
        // A transfer cut short by the scan's deadline says so, and what it was waiting for.
        if (scan.expired()) {
            throw deadline_exceeded(
                scan, "(" + (is_time_out(failure.result) ? waiting_for(failure) : cause_of(failure)) + ")");
        }
        throw_transfer_failure(failure);
    }

    const settings settings_;
    const std::string base_;
    // Before the handle: the handle's connections close first, while the trust they use still exists.
    const std::shared_ptr<system_ca_bundle> strict_trust_;
    std::uint64_t trust_generation_ = 0;
    bool cookies_stored_ = false;  // an answer since the store was last emptied offered a cookie
    bool renew_options_ = false;   // the last transfer connected anew
    libdeadline::deadline_mutex mutex_;
    received_answer answer_;
    char error_buffer_[CURL_ERROR_SIZE] = {};
    string_list headers_;
    std::vector<std::string> header_lines_sent_;  // what headers_ holds
    easy_handle easy_;
};

impl_curl::impl_curl(settings client_settings)
    : transport_(std::make_unique<transport>(std::move(client_settings))) {}

impl_curl::~impl_curl() = default;

response impl_curl::perform(const request& to_send, const libdeadline::deadline& deadline) {
    return transport_->perform(to_send, deadline);
}

}  // namespace korvel::probekit::libresthelper
