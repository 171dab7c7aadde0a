#include "libs7/link_health.hpp"

#include <algorithm>

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

void link_health::connecting() {
    std::lock_guard lock(mutex_);
    connecting_since_ = clock::now();
}

void link_health::connected() {
    std::lock_guard lock(mutex_);
    failure_ = nullptr;
    probing_ = false;
    connecting_since_.reset();
}

void link_health::failed(std::exception_ptr failure) {
    std::lock_guard lock(mutex_);
    failure_ = std::move(failure);
    failed_at_ = clock::now();
    probing_ = false;
    connecting_since_.reset();
}

void link_health::probe_ended() {
    std::lock_guard lock(mutex_);
    probing_ = false;
}

bool link_health::connect_overdue() const {
    std::lock_guard lock(mutex_);
    return overdue(clock::now());
}

bool link_health::overdue(clock::time_point now) const {
    return connecting_since_ && now - *connecting_since_ >= connect_patience_;
}

clock::time_point link_health::wait_until(clock::time_point deadline) const {
    std::lock_guard lock(mutex_);
    const clock::time_point limit =
        connecting_since_ ? *connecting_since_ + connect_patience_ : clock::now() + connect_patience_;
    return std::min(limit, deadline);
}

bool link_health::backing_off() const {
    std::lock_guard lock(mutex_);
    const auto now = clock::now();
    return failing_fast(now) || overdue(now);
}

}  // namespace korvel::probekit::libs7
