#include "module/settings/selections.hpp"

#include <initializer_list>
#include <string_view>
#include <utility>

#include "module/utils/exceptions.hpp"

namespace korvel::probekit::s7::settings {
namespace {

template <typename Value>
Value parse_selection(const std::string& text, const char* setting,
                      std::initializer_list<std::pair<std::string_view, Value>> options) {
    for (const auto& [option, value] : options) {
        if (text == option) return value;
    }
    throw libvexahelper::utils::exceptions::setting_selection_parse_error(text, setting);
}

}  // namespace

ip_version parse_ip_version(const std::string& text) {
    return parse_selection<ip_version>(
        text, "ipversion",
        {{"IPv4", ip_version::ipv4}, {"0", ip_version::ipv4}, {"IPv6", ip_version::ipv6}, {"1", ip_version::ipv6}});
}

certificate_validation parse_certificate_validation(const std::string& text) {
    return parse_selection<certificate_validation>(text, "certificate_validation",
                                                   {{"none", certificate_validation::none},
                                                    {"hostname_only", certificate_validation::hostname_only},
                                                    {"strict", certificate_validation::strict}});
}

retry_policy parse_retry(const std::string& text) {
    return parse_selection<retry_policy>(text, "retry", {{"retry", retry_policy::retry}, {"noretry", retry_policy::noretry}});
}

bool parse_logging(const std::string& text) {
    return parse_selection<bool>(text, "logging", {{"disabled", false}, {"enabled", true}});
}

}  // namespace korvel::probekit::s7::settings
