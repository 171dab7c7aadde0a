#pragma once

#include <cstdint>
#include <functional>
#include <span>

#include "libdeadline/deadline.hpp"

namespace korvel::probekit::libs7 {

// Receives one list read: the record bytes as the controller sent them (big-endian fields),
// the record length (LENTHDR) and the record count (N_DR) from the list header.
using szl_record_callback = std::function<void(std::span<const std::uint8_t> records,
                                               std::uint32_t record_length, std::uint32_t record_count)>;

// One channel to an S7-300/400 controller, shared by every sensor with equal connection settings.
class connection_interface {
public:
    virtual ~connection_interface() = default;

    // Reads one system status list and calls the callback at most once, synchronously, before returning.
    // Waiting for the link, connecting and receiving all end by the deadline (deadline_exceeded).
    // Exceptions of the callback pass through unchanged.
    virtual void read_szl(std::uint16_t szl_id, std::uint16_t index, const libdeadline::deadline& deadline,
                          const szl_record_callback& callback) = 0;

    // True while the link's last connect failed a moment ago: reads fail at once with that failure,
    // so trying again within the scan only adds waiting.
    virtual bool backing_off() const { return false; }
};

}  // namespace korvel::probekit::libs7
