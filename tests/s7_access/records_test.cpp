// Decoding of the list records the S7-300/400 sensors use.

#include <gtest/gtest.h>

#include "module/utils/exceptions.hpp"
#include "record_bytes.hpp"
#include "s7/records/bcd_time_stamp.hpp"
#include "s7/records/cpu_status.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace s7 = korvel::probekit::s7;
using namespace s7_access_test;

TEST(bcd_time_stamp, digits_become_the_sortable_text) {
    struct row {
        date_and_time bytes;
        const char* text;
    };
    const std::vector<row> rows = {
        {{0x24, 0x03, 0x05, 0x14, 0x07, 0x09, 0x25, 0x03}, "2024-03-05T14:07:09.250"},
        {{0x89, 0x12, 0x31, 0x23, 0x59, 0x59, 0x99, 0x97}, "2089-12-31T23:59:59.999"},
        {{0x90, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}, "1990-01-01T00:00:00.000"},
        {{0x00, 0x02, 0x29, 0x12, 0x00, 0x00, 0x12, 0x35}, "2000-02-29T12:00:00.123"},
        {{0x99, 0x07, 0x04, 0x08, 0x30, 0x15, 0x00, 0x57}, "1999-07-04T08:30:15.005"},
    };
    for (const auto& [bytes, text] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(s7::bcd_time_stamp_text(bytes), text);
    }
}

TEST(cpu_status, mode_byte_above_15_is_an_invalid_lookup_value) {
    const std::string valid_values =
        "unknown (0), stop_update (1), stop_reset_mem (2), stop_self_init (3), stop_internal (4), startup_cold (5), "
        "startup_warm (6), startup_hot (7), run_solo (8), run_redundant (9), hold (10), linkup (11), update (12), "
        "defective (13), selftest (14), nopower (15)";
    for (const std::uint8_t mode : {16, 255}) {
        SCOPED_TRACE(int{mode});
        test_support::expect_error<korvel::probekit::libvexahelper::utils::exceptions::invalid_lookup_value>(
            [&] { libs7::szl_record_traits<s7::ob1::cpu_status>::decode(cpu_status_record(mode)); },
            "The following lookup value is invalid: " + std::to_string(mode) +
                ". Valid lookup values are: " + valid_values);
    }
}

}  // namespace
