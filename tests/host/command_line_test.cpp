// Options of s7host: what they select, and what is refused before the module is touched.

#include "host/cli/command_line.hpp"

#include <gtest/gtest.h>

#include "host/cli/language_names.hpp"
#include "host/cli/usage_error.hpp"

namespace {

using namespace korvel::probekit::host;

TEST(resolve_language, accepts_names_and_short_codes) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"German", "German"}, {"de", "German"},   {"DE-de", "German"}, {"pt-BR", "Brazilian"},
        {"zh-CN", "SimplifiedChinese"}, {"en", "English"}, {"xx", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [requested, expected] : cases) {
        SCOPED_TRACE(requested);
        EXPECT_EQ(resolve_language(requested), expected);
    }
}

TEST(parse_command_line, refuses_what_it_cannot_carry_out) {
    const std::vector<std::vector<std::string>> cases{
        {},
        {"--lang", "xx", "info"},
        {"--verbose", "info"},
        {"status"},
        {"scan"},
        {"scan", "a", "--set", "no_equals_sign"},
        {"scan", "a", "--count", "0"},
        {"scan", "a", "--interval", "-1"},
        {"scan", "a", "--id", "1x"},
        {"check", "a", "--json"},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_THROW(parse_command_line(arguments), usage_error);
    }
}

}  // namespace
