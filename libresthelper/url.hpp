#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace korvel::probekit::libresthelper {

// A parsed URL, every part as text. An IPv6 host is held without its brackets.
struct url {
    std::string scheme;
    std::string user;
    std::string password;
    std::string host;
    std::optional<std::uint16_t> port;
    std::optional<std::string> path;
    std::optional<std::string> query;
    std::optional<std::string> fragment;

    url() = default;
    // The host passes the host rule (see parse_host); throws invalid_url.
    url(std::string scheme, const std::string& host, std::optional<std::uint16_t> port = std::nullopt);

    // User information, host and port from an authority text such as "user:secret@[fe80::1]:443";
    // the scheme is given. Throws invalid_url, or the standard "invalid stoul argument" and
    // "stoul argument out of range" errors for a port that does not convert.
    static url from_authority(std::string scheme, const std::string& authority);

    bool operator==(const url&) const = default;
};

// An empty host stays empty; "[...]" with lower-case hexadecimal digits and colons becomes the text
// inside the brackets; any other text without brackets stays whole. Throws invalid_url otherwise.
std::string parse_host(const std::string& host);

// Scheme, "://", user information when a user is set, the host (bracketed when it holds a ':'), the
// port, the path, "?" and the query, "#" and the fragment. Holds the password: for composing
// requests only, never for a message (see to_display_string).
std::string to_string(const url& address);

// As to_string, with the password replaced by "****": the form for messages and logs.
std::string to_display_string(const url& address);

// `text` with whatever follows the first ':' of its user information replaced by "****", for
// quoting a URL or authority text that failed to parse.
std::string redact_user_information(std::string_view text);

}  // namespace korvel::probekit::libresthelper

template <>
struct std::hash<korvel::probekit::libresthelper::url> {
    std::size_t operator()(const korvel::probekit::libresthelper::url& address) const noexcept;
};
