// What snap7_connection makes of a read's outcome: result codes and the size of what arrived.
// snap7 itself never hands over more than its buffer, so the limits are checked here directly.

#include "libs7/szl_reply.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <tuple>

#include "libs7/exceptions.hpp"
#include "libs7/snap7_errors.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace errors = korvel::probekit::libs7::exceptions;
using test_support::expect_error;

using delivered = std::tuple<std::size_t, std::uint32_t, std::uint32_t>;  // record bytes, length, count

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
        {0x00A0, 0x0000}, received,
        [&](std::span<const std::uint8_t> records, std::uint32_t length, std::uint32_t count) {
            result = delivered(records.size(), length, count);
        });
    return result;
}

TEST(szl_reply, records_from_none_to_a_full_buffer_are_handed_over_and_more_or_less_fails) {
    EXPECT_EQ(deliver(received_list(20, 0, 0)), delivered(0, 20, 0));
    EXPECT_EQ(deliver(received_list(20, 819, 16380)), delivered(16380, 20, 819));
    const std::pair<std::vector<std::uint8_t>, std::string> failures[] = {
        {{}, "Incomplete SZL: Received only 0 bytes"},
        {{0x14, 0x00, 0x01}, "Incomplete SZL: Received only 3 bytes"},
        {received_list(20, 1, 16381), "Buffer overflow: Got 16381 bytes for buffer of size 16380"},
    };
    for (const auto& [received, reason] : failures) {
        expect_error<errors::read_szl_failed>(
            [&] { deliver(received); },
            "Failed to read system status list with SSL-ID 0x00a0/0x0000. " + reason);
    }
}

TEST(szl_reply, snap7_results_map_to_their_errors) {
    EXPECT_NO_THROW(libs7::throw_on_read_failure({0x01A0, 0x01F4}, 0));
    expect_error<errors::szl_too_large>(
        [] {
            libs7::throw_on_read_failure({0x01A0, 0x01F4}, 0x02200000);
        },
        "Failed to read system status list with SSL-ID 0x01a0/0x01f4. Too many records in the list.");
    expect_error<errors::read_szl_failed>(
        [] {
            libs7::throw_on_read_failure({0x01A0, 0x01F4}, 0x00C00000);
        },
        "Failed to read system status list with SSL-ID 0x01a0/0x01f4. CPU : Item not available");
}

}  // namespace
