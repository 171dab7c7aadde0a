#include "libstringutils/format_string.hpp"

#include <gtest/gtest.h>

#include <stdexcept>

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libstringutils/exceptions.hpp"

namespace {

using korvel::probekit::libstringutils::format_string;
namespace exceptions = korvel::probekit::libstringutils::exceptions;

TEST(format_string, fills_placeholders_in_any_order_and_repeats_them) {
    EXPECT_EQ(format_string("Failed to connect to %0:s:%1:s. %2:s", "10.0.0.1", "102", "refused"),
              "Failed to connect to 10.0.0.1:102. refused");
    EXPECT_EQ(format_string("%1:s-%0:s-%1:s", "a", "b"), "b-a-b");
    EXPECT_EQ(format_string("no placeholders"), "no placeholders");
}

TEST(format_string, doubled_percent_is_one_percent_and_arguments_are_verbatim) {
    EXPECT_EQ(format_string("100%% of %0:s", "50%"), "100% of 50%");
    EXPECT_EQ(format_string("%0:s", "%1:s"), "%1:s");
}

TEST(format_string, malformed_placeholders_throw_the_exact_text) {
    for (const char* format : {"50% done", "%", "%0", "%0:d", "%:s", "end %"}) {
        SCOPED_TRACE(format);
        try {
            format_string(format, "x");
            FAIL() << "no exception";
        } catch (const exceptions::format_string_error& error) {
            EXPECT_STREQ(error.what(), "Malformed placeholder in format string.");
        }
    }
}

TEST(format_string, index_beyond_arguments_names_the_digits_as_written) {
    try {
        format_string("%1:s", "only one");
        FAIL() << "no exception";
    } catch (const exceptions::placeholder_index_not_in_arguments& error) {
        EXPECT_STREQ(error.what(), "Index 1 is too high for argument list.");
    }
    try {
        format_string("%007:s");
        FAIL() << "no exception";
    } catch (const exceptions::placeholder_index_not_in_arguments& error) {
        EXPECT_STREQ(error.what(), "Index 007 is too high for argument list.");
    }
}

TEST(format_string, index_beyond_32_bits_is_out_of_range) {
    try {
        format_string("%2147483648:s", "x");
        FAIL() << "no exception";
    } catch (const std::out_of_range& error) {
        EXPECT_STREQ(error.what(), "stol argument out of range");
    }
}

TEST(format_string, formatter_errors_are_not_localised) {
    EXPECT_THROW(
        {
            try {
                format_string("%");
            } catch (const korvel::probekit::libi18n::i18n_exception&) {
                FAIL() << "caught as i18n_exception";
            }
        },
        korvel::probekit::libexception::exception);
}

}  // namespace
