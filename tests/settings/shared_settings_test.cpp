#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "module/settings/base_settings.hpp"
#include "module/settings/shared_groups.hpp"
#include "module/utils/exceptions.hpp"

namespace {

namespace settings = korvel::probekit::s7::settings;
namespace errors = korvel::probekit::libvexahelper::utils::exceptions;
using korvel::probekit::libvexahelper::settings::sensor_data_wrapper;
using json = nlohmann::json;

json base_values() {
    return {{"host", "plc.local"},
            {"logging", "disabled"},
            {"timeout", "60"},
            {"korvelcloudapikey", "key"},
            {"ipversion", "IPv4"},
            {"interval", "30"},
            {"connection_section.rack", "0"},
            {"connection_section.slot", "2"},
            {"connection_section.port", "102"},
            {"connection_section.receive_timeout_ms", "5000"},
            {"connection_section.retry", "retry"},
            {"connection_section.retry_delay_ms", "100"}};
}

sensor_data_wrapper block(const json& values) {
    const std::string text = json{{"kind", "test"}, {"settings", values}}.dump();
    return sensor_data_wrapper(text.data(), text.size());
}

sensor_data_wrapper with(const std::string& key, const std::string& value) {
    json values = base_values();
    values[key] = value;
    return block(values);
}

sensor_data_wrapper without(const std::string& key) {
    json values = base_values();
    values.erase(key);
    return block(values);
}

template <typename Parse>
std::string failure_text(Parse parse) {
    try {
        parse();
    } catch (const errors::exception& error) {
        return error.what();
    }
    return "no error";
}

TEST(base_settings, missing_timeout_fails_but_missing_interval_is_sixty) {
    EXPECT_EQ(failure_text([] { settings::parse_base_settings(without("timeout")); }),
              "Setting \"Timeout\" (timeout): The setting \"timeout\" was not available.");
    EXPECT_EQ(settings::parse_base_settings(without("interval")).interval, 60);
    EXPECT_EQ(failure_text([] { settings::parse_base_settings(with("interval", "soon")); }),
              "Setting \"Interval\" (interval): Setting value soon is invalid. The value is not an integer.")
        << "only a missing interval is absorbed";
}

TEST(selection_parsers, accept_exactly_their_texts) {
    EXPECT_EQ(settings::parse_base_settings(with("ipversion", "1")).ipversion, settings::ip_version::ipv6);
    EXPECT_EQ(settings::parse_base_settings(with("ipversion", "IPv6")).ipversion, settings::ip_version::ipv6);
    EXPECT_EQ(settings::parse_base_settings(with("ipversion", "0")).ipversion, settings::ip_version::ipv4);
    EXPECT_EQ(settings::parse_retry("noretry"), settings::retry_policy::noretry);
    EXPECT_EQ(settings::parse_certificate_validation("hostname_only"),
              settings::certificate_validation::hostname_only);
    EXPECT_THROW(settings::parse_base_settings(with("ipversion", "ipv6")),
                 errors::setting_selection_parse_error);
}

TEST(shared_settings, values_outside_their_selection_or_limits_are_refused_with_the_reason) {
    const struct {
        std::function<void()> parse;
        const char* text;
    } rejected[] = {
        {[] { settings::parse_base_settings(with("ipversion", "ipv6")); },
         "Setting \"IP Version\" (ipversion): Value \"ipv6\" could not be parsed into selection type "
         "\"ipversion\"."},
        {[] { settings::parse_base_settings(with("logging", "Enabled")); },
         "Setting \"Logging\" (logging): Value \"Enabled\" could not be parsed into selection type "
         "\"logging\"."},
        {[] { settings::parse_compatibility_group(with("connection_section.retry", "retry ")); },
         "Setting \"Failed Requests\" (connection_section.retry): Value \"retry \" could not be parsed into "
         "selection "
         "type \"retry\"."},
        {[] { settings::parse_certificate_validation("Strict"); },
         "Value \"Strict\" could not be parsed into selection type \"certificate_validation\"."},
        {[] { settings::parse_connection_group(with("connection_section.rack", "8")); },
         "Setting \"Rack\" (connection_section.rack): Setting value 8 is bigger than the allowed value of "
         "7."},
        {[] { settings::parse_connection_group(with("connection_section.port", "0")); },
         "Setting \"Port\" (connection_section.port): Setting value 0 is less than the allowed value of 1."},
        {[] { settings::parse_connection_group(without("connection_section.slot")); },
         "Setting \"Slot\" (connection_section.slot): The setting \"connection_section.slot\" was not "
         "available."},
        {[] { settings::parse_compatibility_group(with("connection_section.retry_delay_ms", "1001")); },
         "Setting \"Retry Delay (msec)\" (connection_section.retry_delay_ms): Setting value 1001 is bigger "
         "than the "
         "allowed value of 1000."},
        {[] { settings::parse_base_settings(with("host", "")); },
         "Setting \"Host\" (host): The setting \"host\" was not available."},
        {[] { settings::parse_base_settings(with("host", std::string(254, 'h'))); },
         "Setting \"Host\" (host): host's value with length 254 is longer than the maximum allowed length of "
         "253."},
        {[] { settings::parse_base_settings(with("timeout", "0")); },
         "Setting \"Timeout\" (timeout): Setting value 0 is less than the allowed value of 1."},
    };
    for (const auto& row : rejected) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(failure_text(row.parse), row.text);
    }
}

TEST(web_groups, read_credentials_proxy_and_validation) {
    json values = base_values();
    values.merge_patch({{"s7web_credentials_section.username", "operator"},
                        {"s7web_credentials_section.password", "secret"},
                        {"s7web_credentials_section.port", "8443"},
                        {"httpproxy.name", "proxy.local"},
                        {"shared_http_validation_section.certificate_validation", "strict"}});
    const auto credentials = settings::parse_s7web_credentials_group(block(values));
    EXPECT_EQ(std::tie(credentials.username, credentials.password, credentials.port),
              std::make_tuple("operator", "secret", 8443));
    EXPECT_EQ(settings::parse_httpproxy_group(block(values)).port, 8080)
        << "an absent port takes the form's default";
    EXPECT_EQ(settings::parse_certificate_validation_group(block(values)),
              settings::certificate_validation::strict);
    EXPECT_EQ(settings::parse_certificate_validation_group(block(base_values())),
              settings::certificate_validation::none);
    EXPECT_THROW(settings::parse_s7web_credentials_group(block(base_values())),
                 errors::setting_not_available);
}

// A key the host marks secret is quoted as "***" whatever setting it is and whatever went wrong.
TEST(shared_settings, a_secret_value_never_appears_in_the_error) {
    json values = base_values();
    values["connection_section.retry"] = "hunter2";
    values["connection_section.rack"] = "hunter2";
    values["logging"] = "hunter2";
    const std::string text =
        json{{"kind", "test"},
             {"settings", values},
             {"secure_settings", {"connection_section.retry", "connection_section.rack", "logging"}}}
            .dump();
    const sensor_data_wrapper data(text.data(), text.size());
    const std::function<void()> parses[] = {[&] { settings::parse_base_settings(data); },
                                            [&] { settings::parse_connection_group(data); },
                                            [&] { settings::parse_compatibility_group(data); }};
    for (const auto& parse : parses) {
        try {
            parse();
            ADD_FAILURE() << "accepted";
        } catch (const errors::exception& error) {
            const std::string message = error.get_message().identifier() + " " + error.what();
            EXPECT_EQ(message.find("hunter2"), std::string::npos) << message;
            EXPECT_NE(message.find("***"), std::string::npos) << message;
        }
    }
}

}  // namespace
