#include "libi18n/error_catalogue.hpp"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_msg.hpp"

namespace {

namespace i18n = korvel::probekit::libi18n;

// The distinct placeholder numbers of a text ("%0:s", "%1:s", ...).
std::set<int> placeholders_of(const std::string& text) {
    static const std::regex placeholder("%([0-9]+):s");
    std::set<int> numbers;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), placeholder); it != std::sregex_iterator();
         ++it)
        numbers.insert(std::stoi((*it)[1].str()));
    return numbers;
}

// 116 unique keys; every text takes exactly as many arguments as it has placeholders, numbered from 0
// without gaps, and formats with that many.
TEST(error_catalogue, has_116_unique_keys_whose_texts_format_with_as_many_arguments_as_placeholders) {
    const auto catalogue = i18n::error_catalogue();
    ASSERT_EQ(catalogue.size(), 116u);
    std::set<std::string_view> keys_seen;
    for (const auto& entry : catalogue) {
        SCOPED_TRACE(entry.key.key);
        EXPECT_TRUE(keys_seen.insert(entry.key.key).second) << "duplicate key";
        const auto numbers = placeholders_of(std::string(entry.key.english));
        const int count = static_cast<int>(numbers.size());
        ASSERT_TRUE(numbers.empty() || *numbers.rbegin() == count - 1) << "placeholder numbers have a gap";
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i) arguments.push_back("<arg" + std::to_string(i) + ">");
        i18n::i18n_msg message;
        ASSERT_NO_THROW(message = i18n::make_msg(entry.key, std::span<const std::string>(arguments)));
        EXPECT_FALSE(message.text().empty());
        for (const auto& argument : arguments) EXPECT_NE(message.text().find(argument), std::string::npos);
        EXPECT_TRUE(placeholders_of(message.text()).empty());
    }
}

}  // namespace
