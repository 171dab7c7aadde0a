#include "module/settings/base_settings.hpp"

#include "module/settings/setting_reader.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::s7::settings {
namespace {

constexpr std::int64_t default_interval = 60;
// The longest name DNS allows; an address is shorter still.
constexpr std::int64_t longest_host_name = 253;
// A day, in seconds: far beyond any scan, and far inside what a clock can add.
constexpr std::int64_t longest_timeout = 86400;

// Only a missing interval falls back to the default; an invalid one still fails the creation.
std::int64_t read_interval(const sensor_data_wrapper& data) {
    try {
        return read_required_integer(data, "interval");
    } catch (const libvexahelper::utils::exceptions::setting_not_available&) {
        return default_interval;
    }
}

}  // namespace

base_settings parse_base_settings(const sensor_data_wrapper& data) {
    base_settings base;
    base.host = read_text(data, "host", presence::required, std::nullopt, {1, longest_host_name});
    base.logging = read_selection(data, "logging", "disabled", parse_logging);
    base.timeout = read_required_integer(data, "timeout", {1, longest_timeout});
    base.korvelcloudapikey = read_secure_text(data, "korvelcloudapikey", presence::optional);
    base.ipversion = read_selection(data, "ipversion", "IPv4", parse_ip_version);
    base.interval = read_interval(data);
    base.secrets = data.secure_values();
    return base;
}

}  // namespace korvel::probekit::s7::settings
