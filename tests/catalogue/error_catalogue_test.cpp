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

std::string family_of(std::string_view key) {
    if (key.starts_with("error.")) return "error";
    return std::string(key.substr(0, key.find('.')));
}

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

TEST(error_catalogue, keys_and_coverage_per_family) {
    struct family_row {
        std::string family;
        int all_nine, english_german_spanish_dutch, english_german_spanish, english_only;
    };
    const family_row expected[] = {
        {"libvexahelper", 31, 0, 0, 0}, {"error", 7, 0, 16, 0},
        {"libs7", 3, 1, 0, 6},          {"libresthelper", 20, 0, 0, 0},
        {"libparser", 2, 0, 0, 0},      {"libjsonparser", 7, 0, 0, 0},
        {"libi18n", 1, 0, 0, 0},        {"certificate_helper", 22, 0, 0, 0},
    };
    std::map<std::string, std::map<translation_coverage, int>> counts;
    for (const auto& entry : i18n::error_catalogue()) ++counts[family_of(entry.key.key)][entry.coverage];
    EXPECT_EQ(counts.size(), std::size(expected));
    for (const auto& row : expected) {
        SCOPED_TRACE(row.family);
        auto& family = counts[row.family];
        EXPECT_EQ(family[translation_coverage::all_languages], row.all_nine);
        EXPECT_EQ(family[translation_coverage::english_german_spanish_dutch],
                  row.english_german_spanish_dutch);
        EXPECT_EQ(family[translation_coverage::english_german_spanish], row.english_german_spanish);
        EXPECT_EQ(family[translation_coverage::english_only], row.english_only);
    }
}

// The catalogue keeps the order of its families: framework, sensor and Web API, S7, REST,
// parser (libparser, libjsonparser and libi18n mixed in one table), certificates.
TEST(error_catalogue, keeps_the_order_of_the_tables) {
    const std::map<std::string, int> table_of = {
        {"libvexahelper", 0}, {"error", 1},         {"libs7", 2},   {"libresthelper", 3},
        {"libparser", 4},     {"libjsonparser", 4}, {"libi18n", 4}, {"certificate_helper", 5},
    };
    int previous = 0;
    for (const auto& entry : i18n::error_catalogue()) {
        SCOPED_TRACE(entry.key.key);
        const int table = table_of.at(family_of(entry.key.key));
        EXPECT_GE(table, previous);
        previous = table;
    }
    const auto catalogue = i18n::error_catalogue();
    EXPECT_EQ(&catalogue.front().key, &keys::libvexahelper::already_contains_factory);
    EXPECT_EQ(&catalogue[31].key, &keys::s7::could_not_resolve_host_name);
    EXPECT_EQ(&catalogue[54].key, &keys::libs7::connection_failed);
    EXPECT_EQ(&catalogue[64].key, &keys::libresthelper::add_header_failed);
    EXPECT_EQ(&catalogue[84].key, &keys::libjsonparser::invalid_content_type);
    EXPECT_EQ(&catalogue[93].key, &keys::libi18n::generic);
    EXPECT_EQ(&catalogue[94].key, &keys::certificate_helper::bad_alloc);
    EXPECT_EQ(&catalogue.back().key, &keys::certificate_helper::wrong_hash_length);
}

TEST(error_catalogue, keys_are_family_error_name_in_snake_case) {
    static const std::regex key_form("(error|[a-z0-9_]+\\.error)\\.[a-z0-9_]+");
    for (const auto& entry : i18n::error_catalogue()) {
        SCOPED_TRACE(entry.key.key);
        EXPECT_TRUE(std::regex_match(std::string(entry.key.key), key_form));
    }
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

// Texts with quotes, apostrophes and markup survive the trip into C++ literals.
TEST(error_catalogue, texts_with_quotes_are_exact) {
    struct row {
        const i18n::message_key& key;
        std::string_view english;
    };
    const row rows[] = {
        {keys::s7::could_not_resolve_host_name,
         "IP address for \"%0:s\" could not be found. Check the IP address and DNS name in the settings of "
         "the parent device."},
        {keys::s7::out_of_range,
         "Invalid range in line %0:s (\"%1:s\") of the port list. The port number is outside the supported "
         "range of [i]1[/i]-[i]65535[/i]."},
        {keys::s7::api_permission_denied,
         "The current user does not have the appropriate access rights to perform this operation. Enter a "
         "user account with 'read_diagnostics' permissions."},
        {keys::libvexahelper::setting_not_available, "The setting \"%0:s\" was not available."},
        {keys::libparser::empty_result, "The queried field \"%0:s\" is empty."},
        {keys::libjsonparser::conversion, "'%0:s' could not be converted to '%1:s'."},
        {keys::libresthelper::cannot_parse_custom_header,
         "Line '%0:s' in the custom headers setting is invalid. '%1:s' does either not contain a ':' or key "
         "is empty. Each line in custom headers need to follow the syntax 'key:value'."},
        {keys::libi18n::generic, "An error occurred. %0:s"},
        {keys::certificate_helper::bad_alloc, "Internal Error: Memory allocation failed. (%0:s)"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.key.key);
        EXPECT_EQ(r.key.english, r.english);
    }
}

}  // namespace
