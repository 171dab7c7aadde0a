#include "libresthelper/received_answer.hpp"

#include <array>

#include "libresthelper/request_lines.hpp"
#include "libresthelper/response.hpp"

namespace korvel::probekit::libresthelper {
namespace {

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

}  // namespace

void received_answer::clear() {
    body_.clear();
    headers_.clear();
    bytes_ = 0;
    exceeded_ = false;
    offered_cookies_ = false;
    proxy_challenges_ = 0;
}

bool received_answer::count(std::size_t bytes) {
    if (exceeded_ || bytes > max_response_bytes - bytes_) {
        exceeded_ = true;
        return false;
    }
    bytes_ += bytes;
    return true;
}

bool received_answer::add_body(std::string_view bytes) {
    if (!count(bytes.size())) return false;
    body_.append(bytes);
    return true;
}

bool received_answer::add_header_line(std::string_view line) {
    if (!count(line.size())) return false;
    if (line.starts_with("HTTP/")) {
        headers_.clear();
        // "HTTP/1.1 407 Proxy Authentication Required": the status follows the first space.
        const auto space = line.find(' ');
        if (space != std::string_view::npos && line.substr(space + 1).starts_with("407")) {
            return ++proxy_challenges_ <= max_proxy_challenges;
        }
        return true;
    }
    const auto colon = line.find(':');
    if (colon == std::string_view::npos) return true;  // the blank line that ends the headers
    const std::string_view name = trimmed(line.substr(0, colon));
    const std::string_view value = trimmed(line.substr(colon + 1));
    if (same_header_name(name, "Set-Cookie")) offered_cookies_ = true;
    // A repeated header joins the earlier ones, in the order received.
    const auto [entry, added] = headers_.try_emplace(std::string(name), value);
    if (!added) entry->second.append(", ").append(value);
    return true;
}

std::string received_answer::limit_text() {
    return "The answer is larger than " + std::to_string(max_response_bytes) + " bytes.";
}

std::optional<std::pair<std::string, std::string>> cookie_of_line(std::string_view line) {
    // domain, subdomains flag, path, secure flag, expiry, name, value
    std::array<std::string_view, 7> fields;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const auto tab = line.find('\t');
        if ((tab == std::string_view::npos) != (i + 1 == fields.size())) return std::nullopt;
        fields[i] = line.substr(0, tab);
        if (tab != std::string_view::npos) line.remove_prefix(tab + 1);
    }
    return std::make_pair(std::string(fields[5]), std::string(fields[6]));
}

}  // namespace korvel::probekit::libresthelper
