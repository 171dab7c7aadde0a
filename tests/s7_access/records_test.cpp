// Decoding of the list records the S7-300/400 sensors use.

#include <gtest/gtest.h>

#include "module/utils/exceptions.hpp"
#include "record_bytes.hpp"
#include "s7/records/bcd_time_stamp.hpp"
#include "s7/records/cpu_status.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace s7 = korvel::probekit::s7;
using namespace s7_access_test;

// Years 90 to 99 are 19xx, the rest 20xx; the last two bytes hold milliseconds and the weekday.
TEST(bcd_time_stamp, digits_become_the_sortable_text) {
    const std::pair<date_and_time, const char*> rows[] = {
        {{0x89, 0x12, 0x31, 0x23, 0x59, 0x59, 0x99, 0x97}, "2089-12-31T23:59:59.999"},
        {{0x90, 0x01, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}, "1990-01-01T00:00:00.000"},
        {{0x99, 0x07, 0x04, 0x08, 0x30, 0x15, 0x00, 0x57}, "1999-07-04T08:30:15.005"},
    };
    for (const auto& [bytes, text] : rows) EXPECT_EQ(s7::bcd_time_stamp_text(bytes), text);
}

TEST(cpu_status, mode_byte_above_15_is_an_invalid_lookup_value) {
    EXPECT_THROW(libs7::szl_record_traits<s7::ob1::cpu_status>::decode(cpu_status_record(16)),
                 korvel::probekit::libvexahelper::utils::exceptions::invalid_lookup_value);
}

}  // namespace
