#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace korvel::probekit::libresthelper {

// Enough for every proxy authentication scheme's exchange (NTLM takes two challenges, digest one,
// and one more for a nonce gone stale): a CONNECT request per challenge, plus the one that succeeds.
inline constexpr int max_proxy_challenges = 3;

// Collects one answer as libcurl hands it over, bounded by max_response_bytes (headers and body
// together): past the bound every further piece is refused, which ends the transfer. A proxy's
// answers to CONNECT pass here too; past max_proxy_challenges answers that ask for credentials
// (407), the transfer ends as well: libcurl would otherwise send CONNECT after CONNECT to a proxy
// that challenges every attempt (a digest nonce always "stale", a broken NTLM exchange).
class received_answer {
public:
    void clear();

    // False once the answer has grown past its bound.
    bool add_body(std::string_view bytes);
    // One header line as received, with its line end. A status line ("HTTP/...") starts a new set of
    // headers, so only the final answer's headers remain (not a proxy's or an interim answer's).
    bool add_header_line(std::string_view line);

    bool exceeded_limit() const { return exceeded_; }
    // How many 407 answers came since clear(), and whether the transfer was ended for them.
    int proxy_challenges() const { return proxy_challenges_; }
    bool proxy_cut_off() const { return proxy_challenges_ > max_proxy_challenges; }
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
    int proxy_challenges_ = 0;
};

// Name and value of a cookie line in the Netscape format libcurl reports its cookies in (seven fields
// separated by tabs); nothing for a line of another shape.
std::optional<std::pair<std::string, std::string>> cookie_of_line(std::string_view line);

}  // namespace korvel::probekit::libresthelper
