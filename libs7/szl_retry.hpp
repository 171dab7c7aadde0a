#pragma once

#include <chrono>
#include <functional>

#include "liblog/log_interface.hpp"
#include "libs7/szl_address.hpp"

namespace korvel::probekit::libs7 {

// How read_szl waits between attempts; tests pass one that only records the delay.
using wait_function = std::function<void(std::chrono::milliseconds)>;

// Sleeps on the calling thread.
void wait_for_real(std::chrono::milliseconds delay);

// Runs attempt up to three times when retry is on, once when it is off, and returns after the first
// that does not throw. Every failed attempt is logged at level 3 and followed by one retry delay,
// the last one included; then the last failure is rethrown. szl_too_large is logged and rethrown at
// once, since reading again would meet the same list. Only standard exceptions are caught.
void read_with_retries(const szl_address& address, std::chrono::milliseconds retry_delay, bool retry,
                       liblog::log_interface& log, const wait_function& wait,
                       const std::function<void()>& attempt);

}  // namespace korvel::probekit::libs7
