#include "libresthelper/request_lines.hpp"

#include <algorithm>
#include <cctype>

#include "libresthelper/exceptions.hpp"

namespace korvel::probekit::libresthelper {
namespace {

bool has_header(const header_map& headers, std::string_view name) {
    return std::any_of(headers.begin(), headers.end(),
                       [name](const auto& entry) { return same_header_name(entry.first, name); });
}

bool breaks_line(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::string header_line(const std::string& name, const std::string& value) {
    if (name.empty() || name.find(':') != std::string::npos || breaks_line(name) || breaks_line(value)) {
        throw exceptions::add_header_failed(name);
    }
    // libcurl reads "Name:" with nothing after it as "do not send Name"; "Name;" sends it empty.
    return value.empty() ? name + ";" : name + ": " + value;
}

}  // namespace

bool same_header_name(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

std::string percent_encode(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 0x0F];
        }
    }
    return encoded;
}

std::string request_url(const std::string& base, const request& to_send) {
    std::string text = base + to_send.path;
    char separator = '?';
    for (const auto& [name, value] : to_send.query) {
        if (name.empty()) throw exceptions::variable_name_empty();
        text += separator;
        text += percent_encode(name) + "=" + percent_encode(value);
        separator = '&';
    }
    return text;
}

std::vector<std::string> header_lines(
    const std::optional<std::pair<std::string, std::string>>& authentication, const header_map& defaults,
    const request& to_send) {
    std::vector<std::string> lines;
    lines.reserve(defaults.size() + to_send.headers.size() + 2);
    if (authentication) lines.push_back(header_line(authentication->first, authentication->second));
    for (const auto& [name, value] : defaults) {
        if (!has_header(to_send.headers, name)) lines.push_back(header_line(name, value));
    }
    for (const auto& [name, value] : to_send.headers) lines.push_back(header_line(name, value));
    if (to_send.method == method::post && !has_header(to_send.headers, "Content-Type") &&
        !has_header(defaults, "Content-Type")) {
        lines.emplace_back("Content-Type: application/x-www-form-urlencoded");
    }
    return lines;
}

std::string cookie_line(const header_map& defaults, const request& to_send) {
    std::string line;
    const auto add = [&line](const std::string& name, const std::string& value) {
        if (!line.empty()) line += "; ";
        line += name + "=" + value;
    };
    for (const auto& [name, value] : defaults) {
        if (!to_send.cookies.contains(name)) add(name, value);
    }
    for (const auto& [name, value] : to_send.cookies) add(name, value);
    return line;
}

}  // namespace korvel::probekit::libresthelper
