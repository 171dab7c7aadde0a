// Property: whatever bytes a peer sends in answer to list reads once the connection handshake is done,
// the real snap7 client under libs7::snap7_connection ends every read either with exactly one call of
// the record callback, whose records are all readable and at most max_szl_record_bytes long, or with
// one of the expected exceptions: a libs7 exception, another of the i18n_exception family, or
// deadline_exceeded. No crash, no sanitizer report, no other exception, and no read outlasts its
// deadline by more than scheduling explains.
//
// Input: byte 0 says how many lists are read in turn on one connection (1 + its low two bits). The
// rest are the peer's replies to the client's list requests, first slices and "next" alike, in
// order: each is a 16-bit big-endian header, whose low 15 bits count the bytes that follow (cut to
// what is left) and whose top bit says those bytes are an S7 PDU the peer wraps in one ISO-on-TCP
// telegram; without it they go on the wire as they are. A reply that is not whole telegrams, the
// last one ending its transmission, is the last: the client would wait out its receive timeout for
// the rest. With its last reply the peer ends its side of the link. A read that fails is made once
// more on a new link, which gets the replies from the first again.

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <span>
#include <vector>

#include "fuzz/finding.hpp"
#include "libdeadline/deadline.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libs7/connection_settings.hpp"
#include "libs7/snap7_connection.hpp"
#include "libs7/szl_reply.hpp"
#include "tests/support/scripted_s7_peer.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace libdeadline = korvel::probekit::libdeadline;
namespace test_support = korvel::probekit::test_support;
using korvel::probekit::fuzz::require;
using namespace std::chrono_literals;

// Short waits keep an execution cheap: a reply the client waits for in vain costs one receive timeout.
constexpr auto receive_timeout = 20ms;
constexpr auto read_time_out = 500ms;
// A read that returns this long after its deadline hangs; less is scheduling, under sanitizers too.
constexpr auto hang_margin = 1s;

struct list_address {
    std::uint16_t szl_id;
    std::uint16_t index;
};

// The lists the sensors read.
constexpr list_address lists[] = {{0x0424, 0x0000}, {0x0074, 0x0000}, {0x0222, 0x0001}, {0x00A0, 0x0000}};

// One peer for the whole process: each execution gives it the replies for its links.
test_support::scripted_s7_peer& peer() {
    static test_support::scripted_s7_peer instance(test_support::peer_behaviour::replies_then_end);
    return instance;
}

constexpr std::uint16_t wrap_in_telegram = 0x8000;

// Whether the bytes are whole ISO-on-TCP telegrams (4-byte TPKT header with the size at 2, COTP data
// with the end-of-transmission bit at 6), the last one ending its transmission.
bool ends_a_transmission(std::span<const std::uint8_t> reply) {
    constexpr std::size_t smallest_telegram = 7;
    bool ended = false;
    while (reply.size() >= smallest_telegram) {
        const std::size_t size = static_cast<std::size_t>(reply[2] << 8 | reply[3]);
        if (size < smallest_telegram || size > reply.size()) return false;
        ended = (reply[6] & 0x80) != 0;
        reply = reply.subspan(size);
    }
    return reply.empty() && ended;
}

// The peer's replies as the input lays them out (see the top); lengths are cut to what is there.
std::vector<test_support::bytes> replies_in(std::span<const std::uint8_t> input) {
    std::vector<test_support::bytes> replies;
    while (!input.empty()) {
        const std::uint16_t header =
            static_cast<std::uint16_t>(input[0] << 8 | (input.size() > 1 ? input[1] : 0));
        input = input.subspan(std::min<std::size_t>(2, input.size()));
        const auto part = input.first(std::min<std::size_t>(header & ~wrap_in_telegram, input.size()));
        input = input.subspan(part.size());
        replies.push_back(header & wrap_in_telegram ? test_support::iso_telegram(part)
                                                    : test_support::bytes(part.begin(), part.end()));
        if (!ends_a_transmission(replies.back())) break;
    }
    return replies;
}

// Reads each record byte, so that records reaching past what was received meet the address sanitizer.
void read_every_byte(std::span<const std::uint8_t> records) {
    std::uint8_t sum = 0;
    for (const auto byte : records) sum = static_cast<std::uint8_t>(sum + byte);
    [[maybe_unused]] volatile std::uint8_t sink = sum;
}

void read_one_list(libs7::snap7_connection& connection, const list_address& list) {
    const auto scan = libdeadline::deadline(libdeadline::clock::now() + read_time_out, 1s);
    int callbacks = 0;
    bool ended_normally = false;
    try {
        connection.read_szl(
            list.szl_id, list.index, scan,
            [&callbacks](std::span<const std::uint8_t> records, std::uint32_t, std::uint32_t) {
                ++callbacks;
                require(records.size() <= libs7::max_szl_record_bytes,
                        "the callback got more record bytes than a list can hold");
                read_every_byte(records);
            });
        ended_normally = true;
    } catch (const korvel::probekit::libi18n::i18n_exception&) {
        // libs7's exceptions and deadline_exceeded are of this family: an expected end of a read.
    }
    require(libdeadline::clock::now() < scan.at() + hang_margin, "a read outlasted its deadline");
    if (ended_normally) {
        require(callbacks == 1, "a read ended without calling back exactly once");
    } else {
        require(callbacks == 0, "a read failed after its callback");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const std::size_t reads = 1 + (input.empty() ? 0 : input[0] & 3);
    peer().set_szl_replies(replies_in(input.subspan(input.empty() ? 0 : 1)));

    {
        libs7::snap7_connection connection(
            libs7::connection_settings{"127.0.0.1", peer().port(), 0, 2, receive_timeout});
        for (std::size_t read = 0; read < reads; ++read)
            read_one_list(connection, lists[read % std::size(lists)]);
    }
    // The client is gone, so are its links soon: no execution meets the peer still serving the last.
    peer().wait_for_links_to_end();
    return 0;
}
