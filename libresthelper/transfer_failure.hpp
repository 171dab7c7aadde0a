#pragma once

#include <string>

namespace korvel::probekit::libresthelper {

// What a failed transfer left behind, for the one place that turns libcurl's results into our errors.
struct transfer_failure {
    int result = 0;          // libcurl's result code; 0 when the transfer ended without a status
    std::string error_text;  // libcurl's error buffer
    std::string url;         // the request URL, without user information
    long response_code = 0;  // 0 when none was received
    long connect_code = 0;   // the proxy's answer to CONNECT, 0 when there was none
};

// A failed TLS handshake, which the transport tries again.
bool is_handshake_failure(int result);

// The libresthelper exception for the failure: invalid_url, connection_failed,
// connection_failed_with_proxy, connection_failed_with_proxy_auth, request_timeout or request_failed.
[[noreturn]] void throw_transfer_failure(const transfer_failure& failure);
// The same for a failure that has nothing but libcurl's result (making a handle, setting an option).
[[noreturn]] void throw_transfer_failure(int result);

}  // namespace korvel::probekit::libresthelper
