#pragma once

// The names and numbers of the host protocol (docs/host-protocol.md) as a host reads them: message
// types, export return codes, scan response codes, value kinds and channel units. The harness and
// the command-line host both dispatch on these, so they are spelled once, here.

#include <string_view>

namespace korvel::probekit::host::protocol {

inline constexpr int api_level = 6;

// Every message's first member, "type".
namespace message_type {
inline constexpr std::string_view module_information = "module_information";
inline constexpr std::string_view scan_result = "scan_result";
inline constexpr std::string_view error_result = "error_result";
inline constexpr std::string_view check_result = "check_result";
inline constexpr std::string_view persistent_data = "persistent_data";
inline constexpr std::string_view dynamic_channel = "dynamic_channel";
inline constexpr std::string_view log = "log";
}  // namespace message_type

// Return values of the exports that dispatch (create, scan, check, meta scan, destroy).
namespace export_code {
inline constexpr int success = 0;
inline constexpr int exception = 2;        // an exception reached the export
inline constexpr int not_initialised = 3;  // InitializeModule has not succeeded
inline constexpr int not_found = 16;       // unknown kind, no such sensor, meta scan not supported
inline constexpr int id_in_use = 17;       // create only
}  // namespace export_code

// GetModuleInformationSync.
namespace information_code {
inline constexpr int success = 0;
inline constexpr int failed = 1;  // size pointer null, buffer too small, or an internal error
inline constexpr int not_initialised = 2;
}  // namespace information_code

// A scan or error result's "response_code": the sensor's own view of its state.
namespace response_code {
inline constexpr int ok = 0;
inline constexpr int warning = 1;
inline constexpr int unknown = 2;
inline constexpr int error = 3;
}  // namespace response_code

// A channel value's "kind".
namespace value_kind {
inline constexpr int integer = 1;
inline constexpr int floating_point = 3;
}  // namespace value_kind

// A channel definition's "unit"; other codes are reserved and shown without a unit.
namespace unit {
inline constexpr int none = 0;
inline constexpr int percent = 5;
inline constexpr int milliseconds = 6;
inline constexpr int count = 10;
}  // namespace unit

// A channel definition's "limits" has this many slots, slot 1 first.
inline constexpr int limit_slot_count = 4;

}  // namespace korvel::probekit::host::protocol
