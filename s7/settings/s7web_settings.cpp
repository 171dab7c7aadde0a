#include "s7/settings/s7web_settings.hpp"

namespace korvel::probekit::s7::settings {
namespace {

libresthelper::certificate_validation rest_validation(certificate_validation validation) {
    switch (validation) {
        case certificate_validation::hostname_only:
            return libresthelper::certificate_validation::hostname_only;
        case certificate_validation::strict:
            return libresthelper::certificate_validation::strict;
        default:
            return libresthelper::certificate_validation::none;
    }
}

}  // namespace

s7web_settings s7web_settings::parse(const sensor_data_wrapper& data) {
    s7web_settings parsed;
    parsed.base = parse_base_settings(data);
    parsed.credentials = parse_s7web_credentials_group(data);
    parsed.proxy = parse_httpproxy_group(data);
    parsed.validation = parse_certificate_validation_group(data);
    return parsed;
}

s7web::s7web_target s7web_settings::target() const {
    s7web::s7web_target where;
    where.host = base.host;
    // Both ports were checked against 1 to 65535 when the settings were read.
    where.port = static_cast<std::uint16_t>(credentials.port);
    if (!proxy.name.empty()) {
        where.proxy = libresthelper::proxy_settings{proxy.name, static_cast<std::uint16_t>(proxy.port),
                                                    proxy.user, proxy.password};
    }
    where.validation = rest_validation(validation);
    where.username = credentials.username;
    where.password = credentials.password;
    return where;
}

}  // namespace korvel::probekit::s7::settings
