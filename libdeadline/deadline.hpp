#pragma once

#include <algorithm>
#include <chrono>
#include <string>

#include "libi18n/error_keys.hpp"
#include "libi18n/i18n_exception.hpp"
#include "libi18n/keyed_exception.hpp"

namespace korvel::probekit::libdeadline {

using clock = std::chrono::steady_clock;

// The moment by which a scan must have answered, taken from the sensor's `timeout` setting when the
// host asks for the scan. Every wait on the way (a shared connection, a receive, a retry delay) is cut
// to the time left, and nothing new starts once it has passed.
class deadline {
public:
    deadline(clock::time_point at, std::chrono::seconds budget) : at_(at), budget_(budget) {}

    static deadline after(std::chrono::seconds budget) { return deadline(clock::now() + budget, budget); }

    clock::time_point at() const { return at_; }
    bool expired() const { return clock::now() >= at_; }

    // Never negative; whole milliseconds, rounded up, so a wait of this long ends at the deadline, not
    // a fraction of a millisecond before it.
    std::chrono::milliseconds time_left() const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(at_ - clock::now());
        return std::max(left, std::chrono::milliseconds::zero());
    }

    // The smaller of a configured wait and the time left.
    std::chrono::milliseconds cap(std::chrono::milliseconds wait) const {
        return std::min(wait, time_left());
    }

    // The whole budget, for the error text.
    std::chrono::seconds budget() const { return budget_; }

private:
    clock::time_point at_;
    std::chrono::seconds budget_;
};

// A scan that ran out of time. The generic key keeps the catalogue as it is; the argument says what
// ran out, in the host's unit, and what had gone wrong by then, if anything.
class deadline_exceeded
    : public libi18n::keyed_exception<libi18n::i18n_exception, libi18n::error_keys::libi18n::generic> {
public:
    explicit deadline_exceeded(const deadline& expired, const std::string& cause = {})
        : keyed_exception("The scan did not finish within its time-out of " +
                          std::to_string(expired.budget().count()) + " s." +
                          (cause.empty() ? "" : " " + cause)) {}
};

// Throws deadline_exceeded once the deadline has passed.
inline void check(const deadline& scan) {
    if (scan.expired()) throw deadline_exceeded(scan);
}

}  // namespace korvel::probekit::libdeadline
