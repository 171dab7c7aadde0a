#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace korvel::probekit::libresthelper {

// Collects one answer as libcurl hands it over, bounded by max_response_bytes (headers and body
// together): past the bound every further piece is refused, which ends the transfer.
class received_answer {
public:
    void clear();

    // False once the answer has grown past its bound.
    bool add_body(std::string_view bytes);
    // One header line as received, with its line end. A status line ("HTTP/...") starts a new set of
    // headers, so only the final answer's headers remain (not a proxy's or an interim answer's).
    bool add_header_line(std::string_view line);

    bool exceeded_limit() const { return exceeded_; }
    // Whether any header line since clear(), of any answer on the way, was a Set-Cookie: only then can
    // libcurl's cookie store hold something.
    bool offered_cookies() const { return offered_cookies_; }
    // The error text for an answer past its bound.
    static std::string limit_text();

    std::string take_body() { return std::move(body_); }
    // Repeated headers joined with ", ", in the order received.
    std::unordered_map<std::string, std::string> take_headers() { return std::move(headers_); }

private:
    bool count(std::size_t bytes);

    std::string body_;
    std::unordered_map<std::string, std::string> headers_;
    std::size_t bytes_ = 0;
    bool exceeded_ = false;
    bool offered_cookies_ = false;
};

// Name and value of a cookie line in the Netscape format libcurl reports its cookies in (seven fields
// separated by tabs); nothing for a line of another shape.
std::optional<std::pair<std::string, std::string>> cookie_of_line(std::string_view line);

}  // namespace korvel::probekit::libresthelper
