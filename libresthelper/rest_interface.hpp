#pragma once

#include "libdeadline/deadline.hpp"
#include "libresthelper/request.hpp"
#include "libresthelper/response.hpp"

namespace korvel::probekit::libresthelper {

// A REST client for one base URL, shared by every user with equal settings; requests run one at a
// time.
class rest_interface {
public:
    virtual ~rest_interface() = default;

    // Sends the request and returns whatever status came back (see check_status). Waiting for the
    // client, connecting and the transfer all end by the deadline (deadline_exceeded); otherwise the
    // libresthelper exceptions: invalid_url, connection_failed and its proxy forms, request_timeout,
    // request_failed, multiple_authentication_methods, add_header_failed, variable_name_empty.
    virtual response perform(const request& request, const libdeadline::deadline& deadline) = 0;
};

}  // namespace korvel::probekit::libresthelper
