#pragma once

#include <string>

namespace korvel::probekit::s7::settings {

enum class ip_version { ipv4 = 0, ipv6 = 1 };
enum class certificate_validation { none = 0, hostname_only = 1, strict = 2 };
enum class retry_policy { retry, noretry };

// Exact, case-sensitive comparison of the whole text; anything else throws
// utils::exceptions::setting_selection_parse_error naming the value and the setting.
ip_version parse_ip_version(const std::string& text);
certificate_validation parse_certificate_validation(const std::string& text);
retry_policy parse_retry(const std::string& text);
bool parse_logging(const std::string& text);

}  // namespace korvel::probekit::s7::settings
