#pragma once

#include "framework/settings/sensor_data_wrapper.hpp"
#include "module/settings/base_settings.hpp"
#include "module/settings/shared_groups.hpp"
#include "s7/s7web/acquire_s7web_client.hpp"

namespace korvel::probekit::s7::settings {

// What the S7-1200/1500 sensors and the login check read: the base values, the Web API credentials,
// the proxy and how the device's certificate is checked.
struct s7web_settings {
    base_settings base;
    s7web_credentials_settings credentials;
    httpproxy_settings proxy;
    certificate_validation validation = certificate_validation::none;

    static s7web_settings parse(const sensor_data_wrapper& data);

    // Where and as whom the Web API is reached: the device host with the credentials' port, the proxy
    // when it has a name.
    s7web::s7web_target target() const;
};

}  // namespace korvel::probekit::s7::settings
