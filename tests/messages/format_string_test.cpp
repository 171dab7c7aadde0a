#include "libstringutils/format_string.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "libstringutils/exceptions.hpp"
#include "tests/support/expect_error.hpp"

namespace {

using korvel::probekit::libstringutils::format_string;
namespace exceptions = korvel::probekit::libstringutils::exceptions;

TEST(format_string, fills_placeholders_in_any_order_and_repeats_them_with_arguments_verbatim) {
    EXPECT_EQ(format_string("%1:s-%0:s-%1:s", "a", "b"), "b-a-b");
    EXPECT_EQ(format_string("no placeholders"), "no placeholders");
    EXPECT_EQ(format_string("100%% of %0:s", "50%"), "100% of 50%");
    EXPECT_EQ(format_string("%0:s", "%1:s"), "%1:s");
}

// Formats with one argument and expects Error with exactly `text`.
template <typename Error>
void expect_failure(const char* format, const char* text) {
    SCOPED_TRACE(format);
    test_support::expect_error<Error>([&] { format_string(format, "x"); }, text);
}

TEST(format_string, bad_formats_fail_with_the_exact_text) {
    for (const char* format : {"50% done", "%", "%0", "%0:d", "%:s"}) {
        expect_failure<exceptions::format_string_error>(format, "Malformed placeholder in format string.");
    }
    // The index is named with its digits as written.
    expect_failure<exceptions::placeholder_index_not_in_arguments>("%1:s",
                                                                   "Index 1 is too high for argument list.");
    expect_failure<exceptions::placeholder_index_not_in_arguments>(
        "%007:s", "Index 007 is too high for argument list.");
    expect_failure<std::out_of_range>("%2147483648:s", "stol argument out of range");
}

}  // namespace
