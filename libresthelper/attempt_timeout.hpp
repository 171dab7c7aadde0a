#pragma once

#include <cstdint>

#include "libdeadline/deadline.hpp"

namespace korvel::probekit::libresthelper {

// The connect and total timeout of one transfer attempt in milliseconds, in the `long` that libcurl
// takes: the configured seconds (none when not positive), cut to the time the deadline leaves, and
// never below 1 ms, since 0 would mean "no limit" to libcurl.
long attempt_timeout_ms(std::int64_t timeout_seconds, const libdeadline::deadline& deadline);

}  // namespace korvel::probekit::libresthelper
