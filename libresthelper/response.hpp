#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>

namespace korvel::probekit::libresthelper {

// What a server answered. Its parts are bounded by the transport (max_response_bytes).
struct response {
    long status = 0;
    std::string body;
    std::unordered_map<std::string, std::string> headers;  // repeated headers joined with ", "
    std::unordered_map<std::string, std::string> cookies;
};

// Headers and body of one answer together; a server that sends more fails the request. Far above
// any answer the module expects, far below what would hurt the host.
inline constexpr std::size_t max_response_bytes = 8 * 1024 * 1024;

// The dump for a trace log: the status, each header as "name: value" (sorted by name), then "body"
// and the body when it is printable UTF-8 text, otherwise "body (hex encoded):" and two hexadecimal
// digits per byte. Holds nothing of the request. Callers build it only for a log that is enabled().
std::string to_string(const response& answer);

}  // namespace korvel::probekit::libresthelper
