#pragma once

#include <gtest/gtest.h>

#include <string>

namespace test_support {

// Checks that `call` throws E whose English text is exactly `text`; any other exception fails the test.
template <typename E, typename Call>
void expect_error(Call call, const std::string& text) {
    try {
        call();
        ADD_FAILURE() << "no exception; expected: " << text;
    } catch (const E& error) {
        EXPECT_EQ(std::string(error.what()), text);
    }
}

}  // namespace test_support
