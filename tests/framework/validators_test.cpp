#include "framework/settings/validators.hpp"

#include "module/utils/exceptions.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using vexa::settings::kind_integer;
using vexa::settings::kind_securestring;
using vexa::settings::kind_string;
using test_support::expect_error;
using not_available = vexa::utils::exceptions::setting_not_available;

const vexa::settings::validation_rules rack{"connection_section.rack", true, 0, 7};
const vexa::settings::validation_rules optional_integer{"max_ob1_cycle_time_ms", false, 0, {}};

// The limits themselves are shown through the settings groups (rack 8, port 0).
TEST(kind_integer, parses_the_whole_text) {
    EXPECT_EQ(kind_integer::parse_and_validate("0", rack), 0);
    EXPECT_EQ(kind_integer::parse_and_validate("007", rack), 7);
    EXPECT_EQ(kind_integer::parse_and_validate("9223372036854775807", optional_integer), INT64_MAX);
    EXPECT_EQ(kind_integer::parse_and_validate("-9223372036854775808", {"n", false, {}, {}}), INT64_MIN);
    const std::pair<const char*, const char*> rejected[] = {
        {"5x", "Setting value 5x is invalid. The value is not an integer."},
        {" 5", "Setting value  5 is invalid. The value is not an integer."},
        {"+5", "Setting value +5 is invalid. The value is not an integer."},
        {"99999999999999999999",
         "Setting value 99999999999999999999 is invalid. The value is outside the range of a 64-bit "
         "integer."},
    };
    for (const auto& [text, error] : rejected) {
        SCOPED_TRACE(text);
        expect_error<vexa::utils::exceptions::exception>(
            [&] { kind_integer::parse_and_validate(text, rack); }, error);
    }
}

TEST(kind_integer, absent_or_empty_is_no_value_unless_required) {
    for (const std::optional<std::string>& missing : {std::optional<std::string>(), std::optional<std::string>("")}) {
        EXPECT_EQ(kind_integer::parse_and_validate(missing, optional_integer), std::nullopt);
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
