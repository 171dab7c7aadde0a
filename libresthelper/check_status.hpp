#pragma once

#include "libresthelper/response.hpp"

namespace korvel::probekit::libresthelper {

// Returns for a 2xx status. Otherwise throws: 401 and 403 authentication_failed with the body, 404
// not_found, 429 too_many_requests, any other status request_failed with the status and the body.
// A body is quoted only in part when long.
void check_status(const response& answer);

}  // namespace korvel::probekit::libresthelper
