#pragma once

#include <chrono>
#include <functional>

#include "libdeadline/deadline.hpp"
#include "liblog/log_interface.hpp"
#include "libs7/szl_address.hpp"

namespace korvel::probekit::libs7 {

// How read_szl waits between attempts; tests pass one that only records the delay.
using wait_function = std::function<void(std::chrono::milliseconds)>;

// Sleeps on the calling thread.
void wait_for_real(std::chrono::milliseconds delay);

// Runs attempt up to three times when retry is on, once when it is off, and returns after the first
// that does not throw. Every failed attempt is logged at level 3 and followed by one retry delay,
// the last one included; then the last failure is rethrown. szl_too_large and deadline_exceeded are
// logged and rethrown at once: reading again would meet the same list, or the same lack of time.
// No attempt starts after the deadline (deadline_exceeded naming the last failure), and a retry delay
// is cut to the time left. Only standard exceptions are caught. After a failure for which hopeless()
// says that another attempt would fail the same way at once (a link backing off), that failure is
// rethrown without waiting.
void read_with_retries(const szl_address& address, std::chrono::milliseconds retry_delay, bool retry,
                       const libdeadline::deadline& deadline, liblog::log_interface& log,
                       const wait_function& wait, const std::function<void()>& attempt,
                       const std::function<bool()>& hopeless);

}  // namespace korvel::probekit::libs7
