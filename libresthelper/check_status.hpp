#pragma once

#include "libresthelper/response.hpp"

namespace korvel::probekit::libresthelper {

// Returns for a 2xx status. Otherwise throws, with the status as the cause: 401 and 403
// authentication_failed, 404 not_found, 429 too_many_requests, any other status request_failed with
// the status and its reason (and for a redirect where it points). No body is quoted: it may hold
// anything.
void check_status(const response& answer);

}  // namespace korvel::probekit::libresthelper
