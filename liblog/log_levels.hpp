#pragma once

// The module's log levels, on the syslog scale the host writes them with. Named once here so that no
// caller passes a bare number.
namespace korvel::probekit::liblog::level {

// A read that failed (and may be retried).
inline constexpr int error = 3;
// Data the module corrected or ignored: a record count, a persisted value it could not use.
inline constexpr int warning = 4;
// The module's own trace: banners, settings dumps, begin/end lines, decoded values.
inline constexpr int trace = 7;

}  // namespace korvel::probekit::liblog::level
