#include "libresthelper/transfer_failure.hpp"

#include <curl/curl.h>
#include <openssl/x509_vfy.h>

#include <cerrno>
#include <cstring>

#include "libi18n/i18n_msg.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/status_reason.hpp"

namespace korvel::probekit::libresthelper {
namespace {

namespace keys = libi18n::error_keys::libresthelper;

std::string parenthesised(const std::string& cause) {
    return "(" + cause + ")";
}

// "5 s", "0.4 s": the time-out as the user set it or as the deadline cut it.
std::string seconds_text(std::int64_t milliseconds) {
    std::string text = std::to_string(milliseconds / 1000);
    if (const std::int64_t tenths = milliseconds % 1000 / 100; tenths != 0)
        text += "." + std::to_string(tenths);
    return text + " s";
}

std::string refused_connection(const transfer_failure& failure) {
    const std::string whom = (failure.via_proxy ? "the proxy " : "") + failure.peer;
    switch (failure.os_error) {
        case ECONNREFUSED:
            return "connection refused by " + whom;
        case EHOSTUNREACH:
        case ENETUNREACH:
            return "no route to " + whom;
        case 0:
            return "no connection to " + whom;
        default:
            return "no connection to " + whom + ": " + std::strerror(failure.os_error);
    }
}

// The certificate problems users can act on get their own words; the rest keep OpenSSL's.
std::string rejected_certificate(const transfer_failure& failure) {
    // With the chain accepted or not checked, libcurl's own check of the name failed. libcurl reports
    // 1 (X509_V_ERR_UNSPECIFIED) when that check ended the connection before it read OpenSSL's result.
    if (!failure.peer_verified || failure.verify_result == X509_V_OK ||
        failure.verify_result == X509_V_ERR_UNSPECIFIED) {
        return "TLS certificate name mismatch: not issued for the device's host";
    }
    switch (failure.verify_result) {
        case X509_V_ERR_CERT_HAS_EXPIRED:
            return "TLS certificate expired";
        case X509_V_ERR_CERT_NOT_YET_VALID:
            return "TLS certificate not yet valid";
        case X509_V_ERR_HOSTNAME_MISMATCH:
        case X509_V_ERR_IP_ADDRESS_MISMATCH:
            return "TLS certificate name mismatch: not issued for the device's host";
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
        case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
        case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
        case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        case X509_V_ERR_CERT_UNTRUSTED:
            return "TLS certificate not trusted: no trusted authority issued it";
        default:
            return std::string("TLS certificate rejected: ") +
                   X509_verify_cert_error_string(failure.verify_result);
    }
}

std::string proxy_refusal(const transfer_failure& failure) {
    if (failure.proxy_cut_off) {
        return "the proxy " + failure.peer + " answered " + std::to_string(failure.proxy_refusals) +
               " CONNECT requests with " + std::to_string(failure.connect_code) + "; given up";
    }
    return "the proxy " + failure.peer + " answered CONNECT with " + std::to_string(failure.connect_code);
}

bool proxy_refused_credentials(const transfer_failure& failure) {
    // 407 is the proxy asking for credentials; some proxies (tinyproxy) refuse wrong ones with 401.
    return failure.connect_code == 407 || failure.connect_code == 401;
}

bool proxy_refused_tunnel(const transfer_failure& failure) {
    return failure.via_proxy && failure.connect_code >= 300;
}

}  // namespace

bool is_handshake_failure(int result) {
    return result == CURLE_SSL_CONNECT_ERROR;
}

bool is_time_out(int result) {
    return result == CURLE_OPERATION_TIMEDOUT;
}

std::string waiting_for(const transfer_failure& failure) {
    switch (failure.stage) {
        case transfer_stage::connecting:
            return "waiting for a connection to " + std::string(failure.via_proxy ? "the proxy " : "") +
                   failure.peer;
        case transfer_stage::tunnelling:
            return "waiting for the proxy " + failure.peer + " to open a tunnel";
        case transfer_stage::handshaking:
            return "waiting for the TLS handshake";
        case transfer_stage::awaiting_answer:
            return "waiting for the answer";
        case transfer_stage::receiving:
            return "receiving the answer";
    }
    return "waiting for the answer";
}

std::string cause_of(const transfer_failure& failure) {
    if (failure.proxy_cut_off || (failure.result == CURLE_RECV_ERROR && proxy_refused_tunnel(failure))) {
        return proxy_refusal(failure);
    }
    if (failure.answer_too_large) {
        return failure.answer_limit_text;
    }
    switch (static_cast<CURLcode>(failure.result)) {
        case CURLE_COULDNT_RESOLVE_HOST:
            return "host name not found: " + failure.peer;
        case CURLE_COULDNT_RESOLVE_PROXY:
            return "proxy host name not found: " + failure.peer;
        case CURLE_COULDNT_CONNECT:
            return refused_connection(failure);
        case CURLE_OPERATION_TIMEDOUT:
            return "time-out after " + seconds_text(failure.timeout_ms) + " " + waiting_for(failure);
        case CURLE_PEER_FAILED_VERIFICATION:
            return rejected_certificate(failure);
        case CURLE_SSL_CONNECT_ERROR:
            return "TLS handshake failed " + std::to_string(failure.handshake_attempts) +
                   (failure.handshake_attempts == 1 ? " time" : " times");
        case CURLE_GOT_NOTHING:
            return "the server closed the connection without answering";
        case CURLE_PARTIAL_FILE:
            return "the connection closed before the answer was complete";
        case CURLE_SEND_ERROR:
            return "the connection failed while sending the request";
        case CURLE_RECV_ERROR:
            return failure.stage == transfer_stage::receiving
                       ? "the connection failed while receiving the answer"
                       : "the connection failed before an answer came";
        case CURLE_OK:
            return "no status line in the answer";
        default:
            // libcurl's own words for the rarer failures; its texts name no credentials.
            return failure.error_text.empty() ? curl_easy_strerror(static_cast<CURLcode>(failure.result))
                                              : failure.error_text;
    }
}

void throw_transfer_failure(const transfer_failure& failure) {
    const std::string cause = cause_of(failure);
    const auto result = static_cast<CURLcode>(failure.result);
    if (failure.proxy_cut_off || (result == CURLE_RECV_ERROR && proxy_refused_credentials(failure))) {
        throw_with_cause(exceptions::connection_failed_with_proxy_auth(libi18n::because{cause}), cause);
    }
    if (result == CURLE_RECV_ERROR && proxy_refused_tunnel(failure)) {
        throw_with_cause(exceptions::connection_failed_with_proxy(parenthesised(cause)), cause);
    }
    switch (result) {
        case CURLE_URL_MALFORMAT:
            throw_with_cause(exceptions::invalid_url(libi18n::make_msg(keys::invalid_url, failure.url)),
                             cause);
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
            throw_with_cause(exceptions::connection_failed(
                                 libi18n::make_msg(keys::connection_failed, parenthesised(cause))),
                             cause);
        case CURLE_COULDNT_RESOLVE_PROXY:
            throw_with_cause(exceptions::connection_failed_with_proxy(parenthesised(cause)), cause);
        case CURLE_OPERATION_TIMEDOUT:
            throw_with_cause(exceptions::request_timeout(parenthesised(cause)), cause);
        default:
            break;
    }
    throw_with_cause(exceptions::request_failed(
                         libi18n::make_msg(keys::request_failed, std::to_string(failure.response_code),
                                           status_reason_text(failure.response_code), parenthesised(cause))),
                     cause);
}

void throw_transfer_failure(int result) {
    transfer_failure failure;
    failure.result = result;
    throw_transfer_failure(failure);
}

}  // namespace korvel::probekit::libresthelper
