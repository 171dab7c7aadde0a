#pragma once

#include <chrono>

#include "libdeadline/deadline.hpp"

namespace s7_access_test {

// Plenty of time: the tests that use it are about the link, not about running out of time.
inline korvel::probekit::libdeadline::deadline scan_deadline() {
    return korvel::probekit::libdeadline::deadline::after(std::chrono::seconds(60));
}

}  // namespace s7_access_test
