// What snap7_connection makes of a read's outcome: result codes and the size of what arrived.
// snap7 itself never hands over more than its buffer, so the limits are checked here directly.

#include "libs7/szl_reply.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "libs7/exceptions.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace errors = korvel::probekit::libs7::exceptions;

const libs7::szl_address diagnostic_buffer{0x00A0, 0x0000};

struct delivered {
    std::size_t record_bytes = 0;
    std::uint32_t record_length = 0;
    std::uint32_t record_count = 0;
};

// A received list: the header words in host order (as snap7 leaves them), then record bytes.
std::vector<std::uint8_t> received_list(std::uint16_t record_length, std::uint16_t record_count,
                                        std::size_t record_bytes) {
    std::vector<std::uint8_t> bytes(4 + record_bytes, 0x5A);
    const std::uint16_t header[] = {record_length, record_count};
    std::memcpy(bytes.data(), header, sizeof header);
    return bytes;
}

std::optional<delivered> deliver(const std::vector<std::uint8_t>& received) {
    std::optional<delivered> result;
    libs7::deliver_szl_records(
        diagnostic_buffer, received,
        [&](std::span<const std::uint8_t> records, std::uint32_t length, std::uint32_t count) {
            result = delivered{records.size(), length, count};
        });
    return result;
}

TEST(szl_reply, header_only_gives_an_empty_span_with_the_header_values) {
    const auto result = deliver(received_list(20, 0, 0));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->record_bytes, 0U);
    EXPECT_EQ(result->record_length, 20U);
    EXPECT_EQ(result->record_count, 0U);
}

TEST(szl_reply, a_full_buffer_of_16380_record_bytes_is_accepted) {
    const auto result = deliver(received_list(20, 819, 16380));
    ASSERT_TRUE(result);
    EXPECT_EQ(result->record_bytes, 16380U);
    EXPECT_EQ(result->record_count, 819U);
}

TEST(szl_reply, sizes_outside_the_buffer_are_read_failures) {
    struct row {
        std::vector<std::uint8_t> received;
        const char* text;
    };
    const std::vector<row> rows = {
        {{},
         "Failed to read system status list with SSL-ID 0x00a0/0x0000. Incomplete SZL: Received only 0 "
         "bytes"},
        {{0x14, 0x00, 0x01},
         "Failed to read system status list with SSL-ID 0x00a0/0x0000. Incomplete SZL: Received only 3 "
         "bytes"},
        {received_list(20, 1, 16381),
         "Failed to read system status list with SSL-ID 0x00a0/0x0000. Buffer overflow: "
         "Got 16381 bytes for buffer of size 16380"},
    };
    for (const auto& [received, text] : rows) {
        SCOPED_TRACE(received.size());
        try {
            deliver(received);
            ADD_FAILURE() << "no exception";
        } catch (const errors::read_szl_failed& error) {
            EXPECT_EQ(error.what(), std::string(text));
        }
    }
}

TEST(szl_reply, snap7_results_map_to_their_errors) {
    EXPECT_NO_THROW(libs7::throw_on_read_failure({0x01A0, 0x01F4}, 0));
    try {
        libs7::throw_on_read_failure({0x01A0, 0x01F4}, 0x02200000);
        ADD_FAILURE() << "no exception";
    } catch (const errors::szl_too_large& error) {
        EXPECT_STREQ(
            error.what(),
            "Failed to read system status list with SSL-ID 0x01a0/0x01f4. Too many records in the list.");
    }
    try {
        libs7::throw_on_read_failure({0x01A0, 0x01F4}, 0x00C00000);
        ADD_FAILURE() << "no exception";
    } catch (const errors::read_szl_failed& error) {
        EXPECT_STREQ(error.what(),
                     "Failed to read system status list with SSL-ID 0x01a0/0x01f4. CPU : Item not available");
    }
}

}  // namespace
