#include "libresthelper/transfer_failure.hpp"

#include <curl/curl.h>

#include <stdexcept>

#include "libi18n/i18n_msg.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/status_reason.hpp"

namespace korvel::probekit::libresthelper {
namespace {

namespace keys = libi18n::error_keys::libresthelper;

// A status without a name must not hide libcurl's message behind the lookup's own error.
std::string reason_of(long response_code) {
    if (response_code == 0) return "No response code received";
    try {
        return status_reason(response_code);
    } catch (const std::invalid_argument&) {
        return "Unknown status code";
    }
}

}  // namespace

bool is_handshake_failure(int result) {
    return result == CURLE_SSL_CONNECT_ERROR;
}

void throw_transfer_failure(const transfer_failure& failure) {
    const auto result = static_cast<CURLcode>(failure.result);
    const std::string text =
        failure.error_text.empty() && result != CURLE_OK ? curl_easy_strerror(result) : failure.error_text;
    switch (result) {
        case CURLE_URL_MALFORMAT:
            throw exceptions::invalid_url(libi18n::make_msg(keys::invalid_url, failure.url));
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_CONNECT:
            throw exceptions::connection_failed(libi18n::make_msg(keys::connection_failed, text));
        case CURLE_COULDNT_RESOLVE_PROXY:
            throw exceptions::connection_failed_with_proxy(text);
        case CURLE_RECV_ERROR:
            // 407 is the proxy asking for credentials; some proxies (tinyproxy) refuse wrong ones with 401.
            if (failure.connect_code == 407 || failure.connect_code == 401) {
                throw exceptions::connection_failed_with_proxy_auth();
            }
            break;
        case CURLE_OPERATION_TIMEDOUT:
            throw exceptions::request_timeout(text);
        default:
            break;
    }
    throw exceptions::request_failed(libi18n::make_msg(
        keys::request_failed, std::to_string(failure.response_code), reason_of(failure.response_code), text));
}

void throw_transfer_failure(int result) {
    transfer_failure failure;
    failure.result = result;
    throw_transfer_failure(failure);
}

}  // namespace korvel::probekit::libresthelper
