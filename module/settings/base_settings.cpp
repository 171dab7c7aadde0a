#include "module/settings/base_settings.hpp"

#include "module/settings/setting_reader.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::s7::settings {
namespace {

constexpr std::int64_t default_interval = 60;

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
    base.host = read_text(data, "host", presence::required);
    base.logging = parse_logging(read_text(data, "logging", presence::optional, "disabled"));
    base.timeout = read_required_integer(data, "timeout");
    base.korvelcloudapikey = read_secure_text(data, "korvelcloudapikey", presence::optional);
    base.ipversion = parse_ip_version(read_text(data, "ipversion", presence::optional, "IPv4"));
    base.interval = read_interval(data);
    return base;
}

}  // namespace korvel::probekit::s7::settings
