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

const json base_values{{"host", "plc.local"},
                       {"logging", "disabled"},
                       {"timeout", "60"},
                       {"ipversion", "IPv4"},
                       {"connection_section.rack", "0"},
                       {"connection_section.slot", "2"},
                       {"connection_section.port", "102"},
                       {"connection_section.receive_timeout_ms", "5000"},
                       {"connection_section.retry", "retry"},
                       {"connection_section.retry_delay_ms", "100"}};

sensor_data_wrapper block(const json& values, const json& secure = json::array()) {
    const std::string text = json{{"kind", "test"}, {"settings", values}, {"secure_settings", secure}}.dump();
    return sensor_data_wrapper(text.data(), text.size());
}

// The base values with one changed (or, for null, removed).
sensor_data_wrapper with(const std::string& key, const json& value) {
    json values = base_values;
    values[key] = value;
    if (value.is_null()) values.erase(key);
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

TEST(base_settings, missing_timeout_fails_but_missing_interval_is_sixty_and_ipversion_1_is_ipv6) {
    EXPECT_EQ(failure_text([] { settings::parse_base_settings(with("timeout", nullptr)); }),
              "Setting \"Timeout\" (timeout): The setting \"timeout\" was not available.");
    EXPECT_EQ(settings::parse_base_settings(with("interval", nullptr)).interval, 60);
    EXPECT_EQ(failure_text([] { settings::parse_base_settings(with("interval", "soon")); }),
              "Setting \"Interval\" (interval): Setting value soon is invalid. The value is not an integer.")
        << "only a missing interval is absorbed";
    EXPECT_EQ(settings::parse_base_settings(with("ipversion", "1")).ipversion, settings::ip_version::ipv6);
}

TEST(shared_settings, values_outside_their_selection_or_limits_are_refused_with_the_reason) {
    const struct {
        std::function<void()> parse;
        const char* text;
    } rejected[] = {
        {[] { settings::parse_base_settings(with("ipversion", "ipv6")); },
         "Setting \"IP Version\" (ipversion): Value \"ipv6\" could not be parsed into selection type "
         "\"ipversion\"."},
        {[] { settings::parse_certificate_validation("Strict"); },
         "Value \"Strict\" could not be parsed into selection type \"certificate_validation\"."},
        {[] { settings::parse_connection_group(with("connection_section.rack", "8")); },
         "Setting \"Rack\" (connection_section.rack): Setting value 8 is bigger than the allowed value of "
         "7."},
        {[] { settings::parse_connection_group(with("connection_section.port", "0")); },
         "Setting \"Port\" (connection_section.port): Setting value 0 is less than the allowed value of 1."},
        {[] { settings::parse_base_settings(with("host", "")); },
         "Setting \"Host\" (host): The setting \"host\" was not available."},
        {[] { settings::parse_base_settings(with("host", std::string(254, 'h'))); },
         "Setting \"Host\" (host): host's value with length 254 is longer than the maximum allowed length of "
         "253."},
    };
    for (const auto& row : rejected) EXPECT_EQ(failure_text(row.parse), row.text);
}

TEST(web_groups, read_credentials_proxy_and_validation) {
    json values = base_values;
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
    EXPECT_EQ(settings::parse_certificate_validation_group(block(base_values)),
              settings::certificate_validation::none);
    EXPECT_THROW(settings::parse_s7web_credentials_group(block(base_values)), errors::setting_not_available);
}

// A key the host marks secret is quoted as "***" whatever setting it is and whatever went wrong.
TEST(shared_settings, a_secret_value_never_appears_in_the_error) {
    json values = base_values;
    for (const char* key : {"connection_section.retry", "connection_section.rack", "logging"})
        values[key] = "hunter2";
    const auto data = block(values, {"connection_section.retry", "connection_section.rack", "logging"});
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
