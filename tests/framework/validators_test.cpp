#include "framework/settings/validators.hpp"

#include "module/utils/exceptions.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using test_support::expect_error;
using vexa::settings::kind_integer;
using vexa::settings::kind_securestring;
using vexa::settings::kind_string;
using vexa::settings::validation_rules;
using not_available = vexa::utils::exceptions::setting_not_available;

template <typename Edit>
validation_rules built(Edit edit) {
    validation_rules rules;
    edit(rules);
    return rules;
}

const validation_rules rack = built([](validation_rules& r) {
    r.name = "connection_section.rack";
    r.label = "Rack";
    r.required = true;
    r.minimum = 0;
    r.maximum = 7;
});
const validation_rules optional_integer = built([](validation_rules& r) {
    r.name = "max_ob1_cycle_time_ms";
    r.minimum = 0;
});

// The limits themselves are shown through the settings groups (rack 8, port 0).
TEST(kind_integer, parses_the_whole_text_and_names_the_setting_in_every_error) {
    EXPECT_EQ(kind_integer::parse_and_validate("0", rack), 0);
    EXPECT_EQ(kind_integer::parse_and_validate("007", rack), 7);
    EXPECT_EQ(kind_integer::parse_and_validate("9223372036854775807", optional_integer), INT64_MAX);
    EXPECT_EQ(kind_integer::parse_and_validate("-9223372036854775808",
                                               built([](validation_rules& r) { r.name = "n"; })),
              INT64_MIN);
    const std::pair<const char*, const char*> rejected[] = {
        {"5x",
         "Setting \"Rack\" (connection_section.rack): Setting value 5x is invalid. The value is not an "
         "integer."},
        {" 5",
         "Setting \"Rack\" (connection_section.rack): Setting value  5 is invalid. The value is not an "
         "integer."},
        {"+5",
         "Setting \"Rack\" (connection_section.rack): Setting value +5 is invalid. The value is not an "
         "integer."},
        {"99999999999999999999",
         "Setting \"Rack\" (connection_section.rack): Setting value 99999999999999999999 is invalid. The "
         "value is "
         "outside the range of a 64-bit integer."},
        {"9",
         "Setting \"Rack\" (connection_section.rack): Setting value 9 is bigger than the allowed value of "
         "7."},
    };
    for (const auto& [text, error] : rejected) {
        SCOPED_TRACE(text);
        expect_error<vexa::utils::exceptions::exception>(
            [&] { kind_integer::parse_and_validate(text, rack); }, error);
    }
}

TEST(kind_integer, a_secret_value_is_never_quoted) {
    const validation_rules pin = built([](validation_rules& r) {
        r.name = "s7web_credentials_section.port";
        r.secret = true;
        r.maximum = 10;
    });
    for (const char* text : {"4711", "47x1"}) {
        try {
            kind_integer::parse_and_validate(text, pin);
            ADD_FAILURE() << "accepted " << text;
        } catch (const vexa::utils::exceptions::exception& error) {
            const std::string message = error.get_message().identifier() + error.what();
            EXPECT_EQ(message.find(text), std::string::npos) << message;
            EXPECT_NE(message.find("***"), std::string::npos) << message;
        }
    }
}

TEST(kind_integer, absent_or_empty_is_no_value_unless_required) {
    for (const std::optional<std::string>& missing :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        EXPECT_EQ(kind_integer::parse_and_validate(missing, optional_integer), std::nullopt);
        expect_error<not_available>([&] { kind_integer::parse_and_validate(missing, rack); },
                                    "Setting \"Rack\" (connection_section.rack): The setting "
                                    "\"connection_section.rack\" was not available.");
    }
}

TEST(kind_string, missing_short_and_long_texts) {
    const validation_rules user = built([](validation_rules& r) {
        r.name = "s7web_credentials_section.username";
        r.required = true;
    });
    EXPECT_EQ(kind_string::parse_and_validate("admin", user), "admin");
    EXPECT_EQ(kind_string::parse_and_validate("", user), "");
    EXPECT_EQ(kind_string::parse_and_validate(std::nullopt,
                                              built([](validation_rules& r) { r.name = "httpproxy.name"; })),
              "");
    expect_error<not_available>([&] { kind_string::parse_and_validate(std::nullopt, user); },
                                "Setting s7web_credentials_section.username: The setting "
                                "\"s7web_credentials_section.username\" was not available.");
    const validation_rules host = built([](validation_rules& r) {
        r.name = "host";
        r.label = "Host";
        r.required = true;
        r.minimum = 1;
        r.maximum = 253;
    });
    expect_error<not_available>([&] { kind_string::parse_and_validate("", host); },
                                "Setting \"Host\" (host): The setting \"host\" was not available.");
    expect_error<vexa::utils::exceptions::exception>(
        [&] { kind_string::parse_and_validate(std::string(254, 'a'), host); },
        "Setting \"Host\" (host): host's value with length 254 is longer than the maximum allowed length of "
        "253.");
    const validation_rules password = built([](validation_rules& r) {
        r.name = "httpproxy.password";
        r.secret = true;
        r.required = true;
        r.maximum = 4;
    });
    EXPECT_EQ(kind_securestring::parse_and_validate("abcd", password), "abcd");
    expect_error<vexa::utils::exceptions::exception>(
        [&] { kind_securestring::parse_and_validate("secret", password); },
        "Setting httpproxy.password: httpproxy.password's value with length 6 is longer than the maximum "
        "allowed "
        "length of 4.");
}

}  // namespace
