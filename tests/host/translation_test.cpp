// Identifiers as the module encodes them, and what the host shows for them in a language.

#include <gtest/gtest.h>

#include "host/cli/identifier.hpp"
#include "host/cli/translator.hpp"
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
    const translator japanese(descriptor, "Japanese");  // not in the Text table at all
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
        {german, {{"id", "#:channel.cpu_status[]x"}, {"text", "CPU Status"}}, "CPU Status"},
        {german, json::object(), ""},
        {japanese, {{"id", "#:channel.cpu_status[]"}, {"text", "CPU Status"}}, "CPU Status"},
    };
    for (const auto& [texts, message, expected] : cases) {
        SCOPED_TRACE(message.dump());
        EXPECT_EQ(texts.message(message), expected);
    }
}

}  // namespace
