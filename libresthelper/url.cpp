#include "libresthelper/url.hpp"

#include <regex>
#include <stdexcept>

#include "libi18n/i18n_msg.hpp"
#include "libresthelper/exceptions.hpp"
#include "libstringutils/hash_combine.hpp"
#include "libresthelper/quoted_text.hpp"

namespace korvel::probekit::libresthelper {
namespace {

constexpr std::string_view hidden_password = "****";

// Longer than any usable host or authority; the regular expressions recurse per character, so an
// unbounded text could exhaust the stack.
constexpr std::size_t max_text_length = 1024;

[[noreturn]] void throw_invalid_url(std::string_view text) {
    throw exceptions::invalid_url(libi18n::make_msg(libi18n::error_keys::libresthelper::invalid_url,
                                                    quoted_text(redact_user_information(text))));
}

bool matches(const std::string& text, std::smatch& parts, const std::regex& expression) {
    return text.size() <= max_text_length && std::regex_match(text, parts, expression);
}

const std::regex& host_expression() {
    static const std::regex expression("^(\\[([a-f\\d:]+)\\]|[^\\[\\]]+)$");
    return expression;
}

const std::regex& authority_expression() {
    static const std::regex expression(
        "^(([^:]+)(:([^@]+))?@)?(\\[[a-f\\d:]*\\]|[^\\[\\]@:]*)(?::(\\d+)?)?$");
    return expression;
}

// As std::stoul, with its failures in the texts every platform shows; a number past the 16 bits of a
// port is as far out of range as one past unsigned long.
std::uint16_t to_port(const std::string& digits) {
    unsigned long value = 0;
    try {
        value = std::stoul(digits);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("invalid stoul argument");
    } catch (const std::out_of_range&) {
        throw std::out_of_range("stoul argument out of range");
    }
    if (value > 0xFFFF) throw std::out_of_range("stoul argument out of range");
    return static_cast<std::uint16_t>(value);
}

std::string render(const url& address, bool with_password) {
    std::string text = address.scheme + "://";
    if (!address.user.empty()) {
        text += address.user + ":" + (with_password ? address.password : std::string(hidden_password)) + "@";
    }
    text += address.host.find(':') == std::string::npos ? address.host : "[" + address.host + "]";
    if (address.port) text += ":" + std::to_string(*address.port);
    if (address.path) text += *address.path;
    if (address.query) text += "?" + *address.query;
    if (address.fragment) text += "#" + *address.fragment;
    return text;
}

}  // namespace

url::url(std::string scheme_, const std::string& host_, std::optional<std::uint16_t> port_)
    : scheme(std::move(scheme_)), host(parse_host(host_)), port(port_) {}

url url::from_authority(std::string scheme, const std::string& authority) {
    std::smatch parts;
    if (!matches(authority, parts, authority_expression())) throw_invalid_url(authority);
    url address(std::move(scheme), parts[5].str());
    address.user = parts[2].str();
    address.password = parts[4].str();
    if (parts[6].matched) address.port = to_port(parts[6].str());
    return address;
}

std::string parse_host(const std::string& host) {
    if (host.empty()) return host;
    std::smatch parts;
    if (!matches(host, parts, host_expression())) throw_invalid_url(host);
    return parts[2].matched ? parts[2].str() : host;
}

std::string to_string(const url& address) {
    return render(address, true);
}

std::string to_display_string(const url& address) {
    return render(address, false);
}

std::string redact_user_information(std::string_view text) {
    const auto at = text.rfind('@');
    if (at == std::string_view::npos) return std::string(text);
    // After a scheme's "://" the user information starts; a ':' before that belongs to the scheme.
    const auto scheme_end = text.substr(0, at).find("://");
    const auto user_start = scheme_end == std::string_view::npos ? 0 : scheme_end + 3;
    const auto colon = text.substr(0, at).find(':', user_start);
    if (colon == std::string_view::npos) return std::string(text);
    return std::string(text.substr(0, colon + 1)) + std::string(hidden_password) +
           std::string(text.substr(at));
}

}  // namespace korvel::probekit::libresthelper

std::size_t std::hash<korvel::probekit::libresthelper::url>::operator()(
    const korvel::probekit::libresthelper::url& address) const noexcept {
    using korvel::probekit::libstringutils::combine;
    std::uint32_t seed = 0;
    combine(seed, address.scheme);
    combine(seed, address.user);
    combine(seed, address.password);
    combine(seed, address.host);
    combine(seed, address.port);
    combine(seed, address.path);
    combine(seed, address.query);
    combine(seed, address.fragment);
    return seed;
}
