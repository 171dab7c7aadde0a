#pragma once

// --hold: a channel's warning or error outlives the scan that saw it. A restart or a cycle-time
// overrun is non-OK for one scan only; a monitoring host that retries before it notifies would see
// OK by then. The problem is kept in the sensor's state and reported, with the value and the time
// it was seen, until the hold expires.

#include <chrono>
#include <map>

#include "host/cli/evaluation.hpp"
#include "host/cli/state_store.hpp"

namespace korvel::probekit::host {

class channel_hold {
public:
    // A duration of 0 holds nothing and lets every earlier hold go.
    explicit channel_hold(std::chrono::seconds duration) : duration_(duration) {}

    // Holds each problem the report shows (a worse or equal one replaces the one held), reports each
    // held problem that is worse than what its channel shows now, naming it in the message, and lets
    // the holds go that expired by `now`. True when `held` changed.
    bool apply(sensor_report& report, std::map<int, held_channel>& held,
               std::chrono::system_clock::time_point now) const;

private:
    std::chrono::seconds duration_;
};

}  // namespace korvel::probekit::host
