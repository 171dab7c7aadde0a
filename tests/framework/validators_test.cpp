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
using invalid = vexa::utils::exceptions::exception;

// Limits, labels and secret values are shown through the settings groups (tests/settings).
validation_rules rules(std::string name, bool required, std::optional<std::int64_t> maximum = std::nullopt,
                       std::string label = "") {
    validation_rules made;
    made.name = std::move(name);
    made.label = std::move(label);
    made.required = required;
    made.maximum = maximum;
    return made;
}

const validation_rules rack = rules("connection_section.rack", true, 7, "Rack");
const validation_rules optional_integer = rules("max_ob1_cycle_time_ms", false);

TEST(kind_integer, parses_the_whole_text_and_nothing_else) {
    EXPECT_EQ(kind_integer::parse_and_validate("007", rack), 7);
    EXPECT_EQ(kind_integer::parse_and_validate("-9223372036854775808", optional_integer), INT64_MIN);
    const std::string context = "Setting \"Rack\" (connection_section.rack): Setting value ";
    expect_error<invalid>([] { kind_integer::parse_and_validate("5x", rack); },
                          context + "5x is invalid. The value is not an integer.");
    expect_error<invalid>([] { kind_integer::parse_and_validate(" 5", rack); },
                          context + " 5 is invalid. The value is not an integer.");
    expect_error<invalid>(
        [] { kind_integer::parse_and_validate("99999999999999999999", rack); },
        context + "99999999999999999999 is invalid. The value is outside the range of a 64-bit integer.");
}

TEST(kind_integer, an_empty_text_is_no_value_unless_required) {
    EXPECT_EQ(kind_integer::parse_and_validate("", optional_integer), std::nullopt);
    expect_error<not_available>([] { kind_integer::parse_and_validate("", rack); },
                                "Setting \"Rack\" (connection_section.rack): The setting "
                                "\"connection_section.rack\" was not available.");
}

TEST(kind_string, an_absent_text_is_empty_unless_required_and_length_is_bounded) {
    const validation_rules user = rules("s7web_credentials_section.username", true);
    EXPECT_EQ(kind_string::parse_and_validate("", user), "") << "an empty text is a value";
    EXPECT_EQ(kind_string::parse_and_validate(std::nullopt, rules("httpproxy.name", false)), "");
    expect_error<not_available>([&] { kind_string::parse_and_validate(std::nullopt, user); },
                                "Setting s7web_credentials_section.username: The setting "
                                "\"s7web_credentials_section.username\" was not available.");
    const validation_rules password = rules("httpproxy.password", true, 4);
    EXPECT_EQ(kind_securestring::parse_and_validate("abcd", password), "abcd");
    expect_error<invalid>(
        [&] { kind_securestring::parse_and_validate("secret", password); },
        "Setting httpproxy.password: httpproxy.password's value with length 6 is longer than the "
        "maximum allowed length of 4.");
}

}  // namespace
