#include "libresthelper/check_status.hpp"

#include <string>

#include "libi18n/i18n_msg.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/quoted_text.hpp"
#include "libresthelper/request_lines.hpp"
#include "libresthelper/status_reason.hpp"

namespace korvel::probekit::libresthelper {
namespace {

constexpr std::size_t max_quoted_location = 128;

// Where a redirect points is what a user needs to fix the address; a body is never quoted, it may
// hold anything the server chose to send.
std::string redirect_cause(const response& answer) {
    for (const auto& [name, value] : answer.headers) {
        if (same_header_name(name, "Location"))
            return "(redirected to " + quoted_text(value, max_quoted_location) + ", not followed)";
    }
    return "(redirected, not followed)";
}

}  // namespace

void check_status(const response& answer) {
    const long status = answer.status;
    if (status >= 200 && status <= 299) return;
    const std::string http_status = "HTTP " + std::to_string(status);
    switch (status) {
        case 401:
        case 403:
            throw_with_cause(exceptions::authentication_failed("(" + http_status + ")"), http_status);
        case 404:
            throw_with_cause(exceptions::not_found(libi18n::because{http_status}), http_status);
        case 429:
            throw_with_cause(exceptions::too_many_requests(libi18n::because{http_status}), http_status);
        default:
            break;
    }
    const std::string cause = status >= 300 && status <= 399 ? redirect_cause(answer) : std::string();
    throw_with_cause(exceptions::request_failed(
                         libi18n::make_msg(libi18n::error_keys::libresthelper::request_failed,
                                           std::to_string(status), status_reason_text(status), cause)),
                     cause.empty() ? http_status : cause.substr(1, cause.size() - 2));
}

}  // namespace korvel::probekit::libresthelper
