#include "libresthelper/check_status.hpp"

#include <string>

#include "libi18n/i18n_msg.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/quoted_text.hpp"

namespace korvel::probekit::libresthelper {

void check_status(const response& answer) {
    const long status = answer.status;
    if (status >= 200 && status <= 299) return;
    switch (status) {
        case 401:
        case 403:
            throw exceptions::authentication_failed(quoted_text(answer.body));
        case 404:
            throw exceptions::not_found();
        case 429:
            throw exceptions::too_many_requests();
        default:
            throw exceptions::request_failed(
                libi18n::make_msg(libi18n::error_keys::libresthelper::request_failed, std::to_string(status),
                                  quoted_text(answer.body), std::string()));
    }
}

}  // namespace korvel::probekit::libresthelper
