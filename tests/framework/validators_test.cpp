#include "framework/settings/validators.hpp"

#include "module/utils/exceptions.hpp"
#include "test_support.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using vexa::settings::kind_integer;
using vexa::settings::kind_securestring;
using vexa::settings::kind_string;
using vexa::testing::expect_error;
using not_available = vexa::utils::exceptions::setting_not_available;

const vexa::settings::validation_rules rack{"connection_section.rack", true, 0, 7};
const vexa::settings::validation_rules optional_integer{"max_ob1_cycle_time_ms", false, 0, {}};

TEST(kind_integer, parses_the_whole_text_and_checks_the_limits) {
    EXPECT_EQ(kind_integer::parse_and_validate("0", rack), 0);
    EXPECT_EQ(kind_integer::parse_and_validate("007", rack), 7);
    EXPECT_EQ(kind_integer::parse_and_validate("9223372036854775807", optional_integer), INT64_MAX);
    EXPECT_EQ(kind_integer::parse_and_validate("-9223372036854775808", {"n", false, {}, {}}), INT64_MIN);
    const std::pair<const char*, const char*> rejected[] = {
        {"8", "Setting value 8 is bigger than the allowed value of 7."},
        {"-1", "Setting value -1 is less than the allowed value of 0."},
        {"abc", "Setting value abc is invalid. The value is not an integer."},
        {"5x", "Setting value 5x is invalid. The value is not an integer."},
        {" 5", "Setting value  5 is invalid. The value is not an integer."},
        {"+5", "Setting value +5 is invalid. The value is not an integer."},
        {"1.5", "Setting value 1.5 is invalid. The value is not an integer."},
        {"99999999999999999999",
         "Setting value 99999999999999999999 is invalid. The value is outside the range of a 64-bit "
         "integer."},
    };
    for (const auto& [text, error] : rejected) {
        SCOPED_TRACE(text);
        expect_error<vexa::utils::exceptions::exception>(
            [&] { kind_integer::parse_and_validate(text, rack); }, error);
    }
    try {
        kind_integer::parse_and_validate("8", rack);
    } catch (const vexa::utils::exceptions::exception& error) {
        EXPECT_EQ(error.get_message().identifier(), "#:libvexahelper.error.setting_invalid_bigger_max[8,7]");
    }
}

TEST(kind_integer, absent_or_empty_is_no_value_unless_required) {
    EXPECT_EQ(kind_integer::parse_and_validate(std::nullopt, optional_integer), std::nullopt);
    EXPECT_EQ(kind_integer::parse_and_validate("", optional_integer), std::nullopt);
    for (const std::optional<std::string>& missing :
         {std::optional<std::string>(), std::optional<std::string>("")}) {
        expect_error<not_available>([&] { kind_integer::parse_and_validate(missing, rack); },
                                    "The setting \"connection_section.rack\" was not available.");
    }
}

TEST(kind_string, required_missing_throws_optional_missing_is_empty_and_errors_never_show_the_value) {
    const vexa::settings::validation_rules user{"s7web_credentials_section.username", true, {}, {}};
    EXPECT_EQ(kind_string::parse_and_validate("admin", user), "admin");
    EXPECT_EQ(kind_string::parse_and_validate("", user), "");
    EXPECT_EQ(kind_string::parse_and_validate(std::nullopt, {"httpproxy.name", false, {}, {}}), "");
    expect_error<not_available>([&] { kind_string::parse_and_validate(std::nullopt, user); },
                                "The setting \"s7web_credentials_section.username\" was not available.");
    const vexa::settings::validation_rules password{"httpproxy.password", true, {}, 4};
    EXPECT_EQ(kind_securestring::parse_and_validate("abcd", password), "abcd");
    expect_error<vexa::utils::exceptions::exception>(
        [&] { kind_securestring::parse_and_validate("secret", password); },
        "httpproxy.password's value with length 6 is longer than the maximum allowed length of 4.");
}

}  // namespace
