#pragma once

#include <chrono>
#include <exception>
#include <mutex>
#include <optional>

namespace korvel::probekit::libs7 {

// What the scans of one controller link know about it. After a failed connect every scan fails at
// once with that failure for a back-off; then one scan, the probe, tries the link again while the
// others keep failing at once, until a connect succeeds. So a dead or hung controller costs one
// connect per back-off, not one per scan, and never holds the threads that other controllers need.
//
// A connect in progress holds the link too: a scan that finds it busy waits for it only while the
// connect is young (a healthy controller answers within connect_patience); once the connect has run
// longer, the controller is slow or hung, and the scan fails at once instead of holding its thread
// for the rest of the connect.
class link_health {
public:
    link_health(std::chrono::milliseconds back_off, std::chrono::milliseconds connect_patience)
        : back_off_(back_off), connect_patience_(connect_patience) {}

    // Before a scan waits for the link: rethrows the recorded failure while the link backs off or
    // another scan probes it. Returns true when this scan is the probe; it then ends with connected(),
    // failed() or probe_ended().
    bool admit();
    // After a scan that was no probe got the link: rethrows a failure recorded while it waited.
    void admit_after_wait() const;

    // The scan holding the link starts to connect it; connected() or failed() ends the connect.
    void connecting();
    void connected();
    void failed(std::exception_ptr failure);
    // The probe ended without connecting (its time ran out before it could try).
    void probe_ended();

    // A connect has been running longer than its patience: the scans waiting for the link give up.
    bool connect_overdue() const;
    // Until when a scan may wait for the busy link before it looks again, at most `deadline`: the end
    // of the connect's patience while one runs, otherwise one patience from now (a connect may start).
    std::chrono::steady_clock::time_point wait_until(std::chrono::steady_clock::time_point deadline) const;

    // A read started now would fail at once: the link backs off, or a connect has outrun its patience.
    bool backing_off() const;

private:
    bool failing_fast(std::chrono::steady_clock::time_point now) const;
    bool overdue(std::chrono::steady_clock::time_point now) const;

    mutable std::mutex mutex_;
    const std::chrono::milliseconds back_off_;
    const std::chrono::milliseconds connect_patience_;
    std::exception_ptr failure_;  // null while the link is healthy
    std::chrono::steady_clock::time_point failed_at_;
    bool probing_ = false;
    std::optional<std::chrono::steady_clock::time_point> connecting_since_;
};

}  // namespace korvel::probekit::libs7
