// Identifiers as the module encodes them, and what the host shows for them in a language.

#include <gtest/gtest.h>

#include "host/cli/identifier.hpp"
#include "host/cli/translator.hpp"
#include "libi18n/i18n_msg.hpp"
#include "tests/host/canned_descriptor.hpp"

namespace {

using namespace korvel::probekit::host;
namespace i18n = korvel::probekit::libi18n;

TEST(decode_identifier, splits_key_and_unescapes_arguments) {
    struct case_ {
        std::string identifier;
        std::optional<decoded_identifier> expected;
    };
    const std::vector<case_> cases{
        {"#:channel.cpu_status[]", decoded_identifier{"channel.cpu_status", {""}}},
        {"#:libs7.error.connection_failed[plc,102,down]",
         decoded_identifier{"libs7.error.connection_failed", {"plc", "102", "down"}}},
        {"#:k[a\\,b,c\\:d]", decoded_identifier{"k", {"a,b", "c:d"}}},
        {"#:k[\\\\\\#\\[x\\]]", decoded_identifier{"k", {"\\#[x]"}}},
        {"#:k[,]", decoded_identifier{"k", {"", ""}}},
        {"#:k[100% ok; é]", decoded_identifier{"k", {"100% ok; é"}}},
        {"OK", std::nullopt},
        {"", std::nullopt},
        {"#:k", std::nullopt},       // no brackets
        {"#:k[a", std::nullopt},     // not closed
        {"#:k[a\\]", std::nullopt},  // the bracket is escaped, so still not closed
        {"#:k[a]b", std::nullopt},   // text after the closing bracket
        {"#:[a]", std::nullopt},     // no key
    };
    for (const auto& [identifier, expected] : cases) {
        SCOPED_TRACE(identifier);
        EXPECT_EQ(decode_identifier(identifier), expected);
    }
}

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
        {german, {{"id", "#:channel.cpu_status[]"}, {"text", "CPU Status"}}, "CPU-Status"},
        {german,
         {{"id", "#:channel.hardware_device[PN\\,IO 1]"}, {"text", "PN,IO 1 Status"}},
         "Status PN,IO 1"},
        {german,
         {{"id", "#:message.operating_mode[RUN]"}, {"text", "Operating mode: RUN"}},
         "Betriebszustand: RUN"},
        {german,
         {{"id", "#:channel.cycle_ratio[]"}, {"text", "Cycle Ratio"}},
         "Cycle Ratio"},  // German lacks it
        {german,
         {{"id", "#:error.broken[x]"}, {"text", "Broken x"}},
         "Broken x"},  // placeholder beyond the arguments
        {german, {{"id", "OK"}, {"text", "OK"}}, "OK"},
        {german, {{"id", "#:channel.cpu_status[unclosed"}, {"text", "CPU Status"}}, "CPU Status"},
        {german, json::object(), ""},
        {japanese, {{"id", "#:channel.cpu_status[]"}, {"text", "CPU Status"}}, "CPU Status"},
    };
    for (const auto& [texts, message, expected] : cases) {
        SCOPED_TRACE(message.dump());
        EXPECT_EQ(texts.message(message), expected);
    }
}

TEST(translator, descriptor_text_falls_back_to_english_then_to_the_descriptor) {
    const auto descriptor = test_support::canned_descriptor();
    const translator german(descriptor, "German");
    EXPECT_EQ(german.text("connection_section.display", "Connection"), "Verbindung");
    EXPECT_EQ(german.text("lookup.cpu_status.8", "RUN"), "RUN (solo mode)");
    EXPECT_EQ(german.text("proxy.display", "Proxy"), "Proxy");
}

}  // namespace
