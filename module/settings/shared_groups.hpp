#pragma once

#include <cstdint>
#include <string>

#include "framework/settings/sensor_data_wrapper.hpp"
#include "module/settings/selections.hpp"

// The setting groups more than one sensor reads, each parsed in the order its group lists them;
// the first failing value stops the parse.
namespace korvel::probekit::s7::settings {

using libvexahelper::settings::sensor_data_wrapper;

// S7-300/400: where the CPU sits.
struct connection_group_settings {
    std::int64_t rack = 0;
    std::int64_t slot = 0;
    std::int64_t port = 102;
};

// S7-300/400: how patiently the CPU is asked.
struct compatibility_group_settings {
    std::int64_t receive_timeout_ms = 5000;
    retry_policy retry = retry_policy::retry;
    std::int64_t retry_delay_ms = 100;
};

// S7-1200/1500: a proxy is configured only when its name is not empty.
struct httpproxy_settings {
    std::string name;
    std::int64_t port = 8080;
    std::string user;
    std::string password;
};

struct s7web_credentials_settings {
    std::string username;
    std::string password;
    std::int64_t port = 443;
};

connection_group_settings parse_connection_group(const sensor_data_wrapper& data);
compatibility_group_settings parse_compatibility_group(const sensor_data_wrapper& data);
httpproxy_settings parse_httpproxy_group(const sensor_data_wrapper& data);
s7web_credentials_settings parse_s7web_credentials_group(const sensor_data_wrapper& data);
certificate_validation parse_certificate_validation_group(const sensor_data_wrapper& data);

}  // namespace korvel::probekit::s7::settings
