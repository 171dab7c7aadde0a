#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "liblog/log_interface.hpp"

// Values a sensor stored with the host in an earlier run. The host hands them back as it got them,
// but a file edited by hand or written by another version can hold anything: a value that does not
// have the shape the sensor writes is logged at warning level and treated as absent, so one bad value
// costs one scan's history instead of failing every scan from then on.
namespace korvel::probekit::s7 {

// A count the sensor wrote: decimal digits only, within 64 bits.
std::optional<std::int64_t> persisted_count(const std::string& key, const std::optional<std::string>& text,
                                            liblog::log_interface& log);

// A diagnostic time stamp the sensor wrote ("2024-03-05T14:07:09.250"; wider fields where the
// controller sent digits above 9): digits and "-", "T", ":", "." only, of bounded length.
std::optional<std::string> persisted_time_stamp(const std::string& key,
                                                const std::optional<std::string>& text,
                                                liblog::log_interface& log);

// A channel id the sensor handed out: a count from `first_id` up, leaving room for the id after it.
std::optional<int> persisted_channel_id(const std::string& key, const std::optional<std::string>& text,
                                        int first_id, liblog::log_interface& log);

// A time stamp as a Web API device writes it ("2023-06-07T18:25:43.511854547Z"): digits and "-", "T",
// ":", ".", "Z", "+" only, no longer than the Web API records accept.
std::optional<std::string> persisted_web_time_stamp(const std::string& key,
                                                    const std::optional<std::string>& text,
                                                    liblog::log_interface& log);

// a + b for counts, stopping at the largest 64-bit value instead of overflowing.
std::int64_t saturating_add(std::int64_t a, std::int64_t b);

}  // namespace korvel::probekit::s7
