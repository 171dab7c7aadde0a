#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "libresthelper/request.hpp"

namespace korvel::probekit::libresthelper {

using header_map = std::unordered_map<std::string, std::string>;

// Header names compare without regard to case.
bool same_header_name(std::string_view left, std::string_view right);

// `base` (scheme, host, port), the request's path and its query parameters, percent-encoded.
// Throws variable_name_empty for a parameter without a name.
std::string request_url(const std::string& base, const request& to_send);

// Every byte but letters, digits and "-._~" as "%XX".
std::string percent_encode(std::string_view text);

// The header lines ("Name: value") of one request, in the order sent: the authentication header, the
// default headers that the request does not give itself (names compared without regard to case), the
// request's headers, and for post "Content-Type: application/x-www-form-urlencoded" when no header
// gave a content type. A name that is empty or holds ':', or a name or value with a line break,
// throws add_header_failed with the name (never the value, which may be a secret).
std::vector<std::string> header_lines(
    const std::optional<std::pair<std::string, std::string>>& authentication, const header_map& defaults,
    const request& to_send);

// "name=value; name=value" of the default cookies and the request's; the request's value wins when
// both have a name. Empty when there are none.
std::string cookie_line(const header_map& defaults, const request& to_send);

}  // namespace korvel::probekit::libresthelper
