#pragma once

#include <cstdint>
#include <string>

namespace korvel::probekit::libresthelper {

// How far a failed transfer got, for the words of a time-out.
enum class transfer_stage {
    connecting,       // no TCP connection yet (to the proxy, when there is one)
    tunnelling,       // connected to the proxy, no tunnel yet
    handshaking,      // connected, TLS handshake not finished
    awaiting_answer,  // request sent, no status line yet
    receiving,        // status line received, answer not complete
};

// What a failed transfer left behind, for the one place that turns libcurl's results into our errors.
struct transfer_failure {
    int result = 0;          // libcurl's result code; 0 when the transfer ended without a status
    std::string error_text;  // libcurl's error buffer
    std::string url;         // the request URL, without user information
    std::string peer;        // "127.0.0.1 port 443": whom the transfer tried to reach (the proxy, if any)
    bool via_proxy = false;
    long response_code = 0;      // 0 when none was received
    long connect_code = 0;       // the proxy's answer to CONNECT, 0 when there was none
    int proxy_refusals = 0;      // CONNECT answers that asked for (other) credentials
    bool proxy_cut_off = false;  // the transfer was ended after too many of them
    int os_error = 0;            // errno of the last failed socket call
    long verify_result = 0;      // OpenSSL's certificate verification result
    bool peer_verified = false;  // the certificate chain was checked (strict validation)
    int handshake_attempts = 0;
    transfer_stage stage = transfer_stage::connecting;
    std::int64_t timeout_ms = 0;  // the attempt's time-out
    bool answer_too_large = false;
    std::string answer_limit_text;  // when answer_too_large
};

// A failed TLS handshake, which the transport tries again.
bool is_handshake_failure(int result);
// Whether the transfer ended in a time-out.
bool is_time_out(int result);

// The failure in a few words, without parentheses: "connection refused by 127.0.0.1 port 443",
// "time-out after 5 s waiting for the TLS handshake", "TLS certificate expired", ... Never a body and
// never a secret.
std::string cause_of(const transfer_failure& failure);
// What the transfer was waiting for when it ran out of time: "waiting for the TLS handshake with
// 127.0.0.1 port 443".
std::string waiting_for(const transfer_failure& failure);

// The libresthelper exception for the failure: invalid_url, connection_failed,
// connection_failed_with_proxy, connection_failed_with_proxy_auth, request_timeout or request_failed,
// each with the cause in parentheses after the catalogue's text, and as its cause().
[[noreturn]] void throw_transfer_failure(const transfer_failure& failure);
// The same for a failure that has nothing but libcurl's result (making a handle, setting an option).
[[noreturn]] void throw_transfer_failure(int result);

}  // namespace korvel::probekit::libresthelper
