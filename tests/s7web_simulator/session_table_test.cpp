// The session table's rules with times given, so no test waits: the cap, the lifetime after the last
// use, and the device's token form.

#include "simulators/s7web_api/session_table.hpp"

#include <gtest/gtest.h>

#include <set>

namespace {

using korvel::probekit::simulators::session_limits;
using korvel::probekit::simulators::session_table;
using namespace std::chrono_literals;

const session_table::clock::time_point start{};

TEST(session_table, a_full_table_refuses_until_a_session_expires_after_its_last_use) {
    const session_limits two_for_a_second{1000ms, 2};
    session_table table;
    const auto first = table.open("diag", two_for_a_second, start);
    ASSERT_TRUE(first);
    ASSERT_TRUE(table.open("diag", two_for_a_second, start + 100ms));
    EXPECT_FALSE(table.open("diag", two_for_a_second, start + 200ms));
    // Using the first at 900 ms keeps it until 1900 ms; the second ends at 1100 ms. An unknown token
    // names nobody and keeps nothing alive.
    EXPECT_EQ(table.use(*first, two_for_a_second, start + 900ms), "diag");
    EXPECT_FALSE(table.use("not-a-token", two_for_a_second, start + 900ms));
    EXPECT_FALSE(table.open("diag", two_for_a_second, start + 1099ms));
    EXPECT_TRUE(table.open("diag", two_for_a_second, start + 1100ms));
    EXPECT_EQ(table.live(two_for_a_second, start + 1899ms), 2u);
    EXPECT_EQ(table.live(two_for_a_second, start + 1900ms), 1u);
    EXPECT_FALSE(table.use(*first, two_for_a_second, start + 1900ms));
}

TEST(session_table, tokens_are_distinct_device_tokens) {
    session_table table;
    const session_limits roomy{1000ms, 200};
    std::set<std::string> tokens;
    for (int index = 0; index < 200; ++index) {
        const auto token = table.open("diag", roomy, start);
        ASSERT_TRUE(token);
        EXPECT_EQ(token->size(), 28u);
        EXPECT_EQ(
            token->find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789.+"),
            std::string::npos)
            << *token;
        tokens.insert(*token);
    }
    EXPECT_EQ(tokens.size(), 200u);
}

}  // namespace
