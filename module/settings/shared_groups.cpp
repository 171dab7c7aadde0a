#include "module/settings/shared_groups.hpp"

#include "module/settings/setting_reader.hpp"

namespace korvel::probekit::s7::settings {
namespace {

constexpr std::int64_t highest_port = 65535;

std::string connection(std::string_view setting) {
    return setting_key("connection_section", setting);
}
std::string proxy(std::string_view setting) {
    return setting_key("httpproxy", setting);
}
std::string credentials(std::string_view setting) {
    return setting_key("s7web_credentials_section", setting);
}

}  // namespace

connection_group_settings parse_connection_group(const sensor_data_wrapper& data) {
    connection_group_settings group;
    group.rack = read_required_integer(data, connection("rack"), {0, 7});
    group.slot = read_required_integer(data, connection("slot"), {0, 31});
    group.port = read_required_integer(data, connection("port"), {1, highest_port});
    return group;
}

compatibility_group_settings parse_compatibility_group(const sensor_data_wrapper& data) {
    compatibility_group_settings group;
    group.receive_timeout_ms = read_required_integer(data, connection("receive_timeout_ms"), {1, 300000});
    group.retry = read_selection(data, connection("retry"), "retry", parse_retry);
    group.retry_delay_ms = read_required_integer(data, connection("retry_delay_ms"), {0, 1000});
    return group;
}

httpproxy_settings parse_httpproxy_group(const sensor_data_wrapper& data) {
    httpproxy_settings group;
    group.name = read_text(data, proxy("name"), presence::optional);
    group.port =
        read_integer(data, proxy("port"), presence::optional, {1, highest_port}).value_or(group.port);
    group.user = read_text(data, proxy("user"), presence::optional);
    group.password = read_secure_text(data, proxy("password"), presence::optional);
    return group;
}

s7web_credentials_settings parse_s7web_credentials_group(const sensor_data_wrapper& data) {
    s7web_credentials_settings group;
    group.username = read_text(data, credentials("username"), presence::required);
    group.password = read_secure_text(data, credentials("password"), presence::required);
    group.port = read_required_integer(data, credentials("port"), {1, highest_port});
    return group;
}

certificate_validation parse_certificate_validation_group(const sensor_data_wrapper& data) {
    return read_selection(data, setting_key("shared_http_validation_section", "certificate_validation"),
                          "none", parse_certificate_validation);
}

}  // namespace korvel::probekit::s7::settings
