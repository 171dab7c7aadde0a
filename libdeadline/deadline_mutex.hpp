#pragma once

#include <condition_variable>
#include <mutex>

#include "libdeadline/deadline.hpp"

namespace korvel::probekit::libdeadline {

// A mutex whose lock can give up at a deadline, for what a scan waits on (a shared link, its own
// previous scan). Built on a condition variable rather than std::timed_mutex, whose steady-clock wait
// ThreadSanitizer cannot follow on this platform and would report as unlocking an unlocked mutex.
// Meets Lockable, so std::unique_lock and std::lock_guard work with it.
class deadline_mutex {
public:
    void lock() {
        std::unique_lock guard(state_);
        released_.wait(guard, [this] { return !locked_; });
        locked_ = true;
    }

    bool try_lock() {
        std::lock_guard guard(state_);
        if (locked_) return false;
        locked_ = true;
        return true;
    }

    // False when the deadline passed before the lock was free.
    bool try_lock_until(clock::time_point deadline) {
        std::unique_lock guard(state_);
        if (!released_.wait_until(guard, deadline, [this] { return !locked_; })) return false;
        locked_ = true;
        return true;
    }

    void unlock() {
        {
            std::lock_guard guard(state_);
            locked_ = false;
        }
        released_.notify_one();
    }

private:
    std::mutex state_;
    std::condition_variable released_;
    bool locked_ = false;
};

}  // namespace korvel::probekit::libdeadline
