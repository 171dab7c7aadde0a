#pragma once

#include <chrono>
#include <exception>
#include <mutex>

namespace korvel::probekit::libs7 {

// What the scans of one controller link know about it. After a failed connect every scan fails at
// once with that failure for a back-off; then one scan, the probe, tries the link again while the
// others keep failing at once, until a connect succeeds. So a dead or hung controller costs one
// connect per back-off, not one per scan, and never holds the threads that other controllers need.
class link_health {
public:
    explicit link_health(std::chrono::milliseconds back_off) : back_off_(back_off) {}

    // Before a scan waits for the link: rethrows the recorded failure while the link backs off or
    // another scan probes it. Returns true when this scan is the probe; it then ends with connected(),
    // failed() or probe_ended().
    bool admit();
    // After a scan that was no probe got the link: rethrows a failure recorded while it waited.
    void admit_after_wait() const;

    void connected();
    void failed(std::exception_ptr failure);
    // The probe ended without connecting (its time ran out before it could try).
    void probe_ended();

    // A read started now would fail at once.
    bool backing_off() const;

private:
    bool failing_fast(std::chrono::steady_clock::time_point now) const;

    mutable std::mutex mutex_;
    const std::chrono::milliseconds back_off_;
    std::exception_ptr failure_;  // null while the link is healthy
    std::chrono::steady_clock::time_point failed_at_;
    bool probing_ = false;
};

}  // namespace korvel::probekit::libs7
