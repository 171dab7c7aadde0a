// Identifiers as the module encodes them, and what the host shows for them in a language.

#include "host/cli/translation.hpp"

#include <gtest/gtest.h>

#include "libi18n/i18n_msg.hpp"
#include "tests/host/canned_descriptor.hpp"

namespace {

using namespace korvel::probekit::host;
namespace i18n = korvel::probekit::libi18n;

// Malformed identifiers are shown by their text: see the translator's cases below.
TEST(decode_identifier, reads_back_what_the_module_encodes) {
    constexpr i18n::message_key key{"error.demo", "%0:s %1:s %2:s"};
    const std::vector<std::string> arguments{"rack,0:slot", "back\\slash", "#[]"};
    const auto message = i18n::make_msg(key, std::span<const std::string>(arguments));
    const auto decoded = decode_identifier(message.identifier());
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->key, "error.demo");
    EXPECT_EQ(decoded->arguments, arguments);
}

TEST(translator, message_uses_the_language_and_falls_back_to_the_english_text) {
    const auto descriptor = test_support::canned_descriptor();
    const translator german(descriptor, "German");
    const translator french(descriptor, "French");  // not in the Text table at all
    struct case_ {
        const translator& texts;
        json message;
        std::string expected;
    };
    const std::vector<case_> cases{
        {german,
         {{"id", "#:channel.hardware_device[PN\\,IO 1]"}, {"text", "PN,IO 1 Status"}},
         "Status PN,IO 1"},
        {german,
         {{"id", "#:channel.hardware_device[x]"},
          {"text", "Setting a: x Status"},
          {"context", "Setting a: "}},
         "Setting a: Status x"},
        {german,
         {{"id", "#:error.broken[x]"}, {"text", "Broken x"}},
         "Broken x"},  // placeholder beyond the arguments
        {german, {{"id", "OK"}, {"text", "OK"}}, "OK"},
        {german, {{"id", "#:channel.cpu_status[unclosed"}, {"text", "CPU Status"}}, "CPU Status"},
        {german, json::object(), ""},
        {french, {{"id", "#:channel.cpu_status[]"}, {"text", "CPU Status"}}, "CPU Status"},
    };
    for (const auto& [texts, message, expected] : cases)
        EXPECT_EQ(texts.message(message), expected) << message;
}

TEST(resolve_language, accepts_names_and_short_codes) {
    const std::vector<std::pair<std::string, std::optional<std::string>>> cases{
        {"German", "German"},           {"DE-de", "German"},  {"pt-BR", "Brazilian"},
        {"zh_CN", "SimplifiedChinese"}, {"xx", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [requested, expected] : cases)
        EXPECT_EQ(resolve_language(requested), expected) << requested;
}

TEST(language_of_environment, reads_lc_all_then_lc_messages_then_lang) {
    const std::vector<std::pair<std::map<std::string, const char*>, std::string>> cases{
        {{{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "fr_FR@euro"}}, "French"},
        {{{"LANG", "ja_JP.UTF-8"}, {"LC_MESSAGES", "fr_FR"}, {"LC_ALL", "zh_CN.GB18030"}},
         "SimplifiedChinese"},
        {{{"LANG", "de_DE.UTF-8"}, {"LC_ALL", ""}}, "German"},  // an empty variable is not set
        {{{"LANG", "pt_BR.UTF-8"}}, "Brazilian"},
        {{{"LANG", "de_AT.UTF-8"}}, "German"},  // the language alone when the territory is not listed
        {{{"LANG", "sv_SE.UTF-8"}, {"LC_MESSAGES", "POSIX"}}, "English"},  // the first one set decides
        {{}, "English"},
    };
    for (const auto& [environment, expected] : cases) {
        EXPECT_EQ(language_of_environment([&environment](const char* name) -> const char* {
                      const auto found = environment.find(name);
                      return found == environment.end() ? nullptr : found->second;
                  }),
                  expected);
    }
}

}  // namespace
