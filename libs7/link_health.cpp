#include "libs7/link_health.hpp"

namespace korvel::probekit::libs7 {

using clock = std::chrono::steady_clock;

bool link_health::failing_fast(clock::time_point now) const {
    return failure_ && (probing_ || now - failed_at_ < back_off_);
}

bool link_health::admit() {
    std::lock_guard lock(mutex_);
    if (!failure_) return false;
    if (failing_fast(clock::now())) std::rethrow_exception(failure_);
    probing_ = true;
    return true;
}

void link_health::admit_after_wait() const {
    std::lock_guard lock(mutex_);
    if (failing_fast(clock::now())) std::rethrow_exception(failure_);
}

void link_health::connected() {
    std::lock_guard lock(mutex_);
    failure_ = nullptr;
    probing_ = false;
}

void link_health::failed(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    failure_ = std::move(failure);
    failed_at_ = clock::now();
    probing_ = false;
}

void link_health::probe_ended() {
    std::lock_guard lock(mutex_);
    probing_ = false;
}

bool link_health::backing_off() const {
    std::lock_guard lock(mutex_);
    return failing_fast(clock::now());
}

}  // namespace korvel::probekit::libs7
