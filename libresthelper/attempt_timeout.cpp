#include "libresthelper/attempt_timeout.hpp"

#include <algorithm>
#include <limits>

namespace korvel::probekit::libresthelper {

long attempt_timeout_ms(std::int64_t timeout_seconds, const libdeadline::deadline& deadline) {
    constexpr std::int64_t no_limit = std::numeric_limits<std::int64_t>::max();
    // Seconds beyond what 64 bits of milliseconds hold are no limit at all.
    const std::int64_t configured =
        timeout_seconds <= 0 || timeout_seconds > no_limit / 1000 ? no_limit : timeout_seconds * 1000;
    const std::int64_t cut = std::min<std::int64_t>(configured, deadline.time_left().count());
    // long is 32 bits on some platforms libcurl runs on; the deadline has cut a scan's timeout long
    // before that limit, so clamping loses nothing a scan could wait for.
    constexpr std::int64_t largest = std::numeric_limits<long>::max();
    return static_cast<long>(std::clamp<std::int64_t>(cut, 1, largest));
}

}  // namespace korvel::probekit::libresthelper
