#include "libi18n/error_catalogue.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_msg.hpp"
#include "libstringutils/exceptions.hpp"

namespace {

namespace i18n = korvel::probekit::libi18n;
namespace keys = i18n::error_keys;
using i18n::translation_coverage;

// The distinct placeholder numbers of a text ("%0:s", "%1:s", ...).
std::set<int> placeholders_of(std::string_view text) {
    static const std::regex placeholder("%([0-9]+):s");
    std::set<int> numbers;
    const std::string s(text);
    for (auto it = std::sregex_iterator(s.begin(), s.end(), placeholder); it != std::sregex_iterator();
         ++it) {
        numbers.insert(std::stoi((*it)[1].str()));
    }
    return numbers;
}

TEST(error_catalogue, has_116_unique_keys) {
    const auto catalogue = i18n::error_catalogue();
    ASSERT_EQ(catalogue.size(), 116u);
    std::set<std::string_view> keys_seen;
    for (const auto& entry : catalogue) {
        SCOPED_TRACE(entry.key.key);
        EXPECT_TRUE(keys_seen.insert(entry.key.key).second) << "duplicate key";
        EXPECT_FALSE(entry.key.english.empty());
    }
}

TEST(error_catalogue, coverage_counts_match_the_key_set_arithmetic) {
    std::map<translation_coverage, int> counts;
    for (const auto& entry : i18n::error_catalogue()) ++counts[entry.coverage];
    EXPECT_EQ(counts[translation_coverage::all_languages], 93);
    EXPECT_EQ(counts[translation_coverage::english_german_spanish], 16);
    EXPECT_EQ(counts[translation_coverage::english_german_spanish_dutch], 1);
    EXPECT_EQ(counts[translation_coverage::english_only], 6);
}

// Error keys per descriptor language: English everything, German and Spanish all but the English-only
// keys, Dutch the all-9 keys plus "libs7.error.szl_too_large", the other five the all-9 keys.
TEST(error_catalogue, keys_per_language) {
    int english = 0, german_spanish = 0, dutch = 0, others = 0;
    for (const auto& entry : i18n::error_catalogue()) {
        ++english;
        switch (entry.coverage) {
            case translation_coverage::all_languages:
                ++others;
                [[fallthrough]];
            case translation_coverage::english_german_spanish_dutch:
                ++dutch;
                [[fallthrough]];
            case translation_coverage::english_german_spanish:
                ++german_spanish;
                break;
            case translation_coverage::english_only:
                break;
        }
    }
    EXPECT_EQ(english, 116);
    EXPECT_EQ(german_spanish, 110);
    EXPECT_EQ(dutch, 94);
    EXPECT_EQ(others, 93);
}

// Every text takes exactly as many arguments as it has placeholders, numbered from 0 without gaps:
// with that many it formats, with one fewer it fails.
TEST(error_catalogue, every_text_formats_with_as_many_arguments_as_placeholders) {
    for (const auto& entry : i18n::error_catalogue()) {
        SCOPED_TRACE(entry.key.key);
        const auto numbers = placeholders_of(entry.key.english);
        const int count = static_cast<int>(numbers.size());
        ASSERT_TRUE(numbers.empty() || *numbers.rbegin() == count - 1) << "placeholder numbers have a gap";

        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i) arguments.push_back("<arg" + std::to_string(i) + ">");
        i18n::i18n_msg message;
        ASSERT_NO_THROW(message = i18n::make_msg(entry.key, std::span<const std::string>(arguments)));
        for (const auto& argument : arguments) EXPECT_NE(message.text().find(argument), std::string::npos);
        EXPECT_TRUE(placeholders_of(message.text()).empty());
        EXPECT_EQ(message.identifier().substr(0, entry.key.key.size() + 3),
                  "#:" + std::string(entry.key.key) + "[");

        if (count > 0) {
            arguments.pop_back();
            EXPECT_THROW(i18n::make_msg(entry.key, std::span<const std::string>(arguments)),
                         korvel::probekit::libstringutils::exceptions::placeholder_index_not_in_arguments);
        }
    }
}

}  // namespace
