#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace korvel::probekit::test_support {

using bytes = std::vector<std::uint8_t>;

// What the peer does once a client has connected.
enum class peer_behaviour {
    scripted,               // answers like a CPU; the SZL reads with the script's replies
    garbage_after_connect,  // sends bytes that are no ISO-on-TCP telegram as soon as TCP is connected
    silent,                 // accepts TCP, reads what comes and never answers
    trickle,                // answers like `scripted`, one byte a second
    delayed,                // answers like `scripted`, each telegram after 100 ms and in two halves 50 ms apart
    close_after_bytes,      // answers like `scripted`, but closes the link after `close_after` bytes
    replies_then_end,       // answers like `scripted`, each reply once; with the last one it ends its side
};

// A fake S7-300/400 CPU on 127.0.0.1 for hostile-peer tests: it accepts ISO-on-TCP connections
// (TPKT, COTP connection request), negotiates a 480-byte PDU and answers SZL read requests as the
// script says. Each link is served on its own thread; whatever a client sends, the peer at worst
// drops the link.
class scripted_s7_peer {
public:
    // Listens at once on a free port. Throws std::system_error when it cannot.
    // `szl_replies`: raw bytes (TPKT included) answering a link's SZL read requests, first and "next"
    // alike, in turn; the last one also answers every later request. None: SZL requests go unanswered.
    // `close_after`: the bytes a close_after_bytes peer sends on a link before it closes it.
    explicit scripted_s7_peer(peer_behaviour behaviour, std::vector<bytes> szl_replies = {},
                              std::size_t close_after = 0);
    ~scripted_s7_peer();
    scripted_s7_peer(const scripted_s7_peer&) = delete;
    scripted_s7_peer& operator=(const scripted_s7_peer&) = delete;

    std::uint16_t port() const;

    // The SZL replies for the links accepted from now on; open links keep theirs.
    void set_szl_replies(std::vector<bytes> szl_replies);
    // Returns once every link accepted so far has ended (a link ends when its client goes).
    void wait_for_links_to_end();

private:
    class impl;
    std::unique_ptr<impl> impl_;
};

// An SZL list as a CPU sends it: LENTHDR (record length), N_DR (record count), then the records.
bytes szl_list(std::uint16_t record_length, std::span<const std::uint8_t> records);

// The S7 PDU of the first slice of a "read SZL" answer: ID, index and the start of the list. The
// data length field is 4 + list size unless `data_length` overrides it.
bytes szl_first_slice(std::uint16_t szl_id, std::uint16_t index, std::span<const std::uint8_t> list,
                      bool more_follows, std::optional<std::uint16_t> data_length = std::nullopt);
// The S7 PDU of a further slice: the next part of the list.
bytes szl_next_slice(std::span<const std::uint8_t> part, bool more_follows);

// An S7 PDU in one ISO-on-TCP telegram (TPKT, COTP data with end of transmission).
bytes iso_telegram(std::span<const std::uint8_t> s7_pdu);
// An S7 PDU in several telegrams, cut at the given offsets; only the last ends the transmission.
bytes iso_fragments(std::span<const std::uint8_t> s7_pdu, const std::vector<std::size_t>& cuts);

}  // namespace korvel::probekit::test_support
