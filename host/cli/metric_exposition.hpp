#pragma once

// A scan as Prometheus metrics, the same for `scan --format openmetrics` and `serve`: identity in
// labels (target, kind, led, module, hwid), base units in names (seconds, ratios 0 to 1), counters as
// counters, lookups as statesets, and s7_up, s7_scan_duration_seconds and s7_scan_error{reason}.
// docs/metrics.md lists every family.

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "host/cli/evaluation.hpp"
#include "host/cli/json.hpp"
#include "host/cli/state_store.hpp"

namespace korvel::probekit::host {

// OpenMetrics for Prometheus and strict readers; the classic text format (0.0.4) for the readers
// that know only that one (promtool, node_exporter's textfile collector), which names counters by
// their sample and knows no stateset.
enum class exposition_format { openmetrics, prometheus_text };

inline constexpr std::string_view openmetrics_content_type =
    "application/openmetrics-text; version=1.0.0; charset=utf-8";
inline constexpr std::string_view prometheus_text_content_type = "text/plain; version=0.0.4; charset=utf-8";

using metric_labels = std::vector<std::pair<std::string, std::string>>;

// Reasons of failures that are the host's own, beside the module's catalogue keys.
namespace failure_reason {
inline constexpr std::string_view cannot_run = "s7host.cannot_run";     // settings, state, sensor creation
inline constexpr std::string_view no_result = "s7host.no_result";       // the scan sent nothing
inline constexpr std::string_view busy = "s7host.busy";                 // the sensor's last scan still runs
inline constexpr std::string_view unknown = "s7host.unknown_reason";    // an error without a catalogue key
}  // namespace failure_reason

// What the metrics add to a report.
struct exposition_context {
    metric_labels identity{};                // on every sample: target and kind
    const json* descriptor = nullptr;        // every state of a stateset; without it, only the current one
    const sensor_record* sensor = nullptr;   // module names and hardware ids of per-module channels
    std::optional<double> duration_seconds{};  // how long the scan took
    std::string error_reason{};              // a failed scan's reason: a catalogue key or failure_reason
};

// target (host, and ":port" where the kind has a port) and kind, from a report of `scan`.
metric_labels identity_of(const sensor_report& report);

// The catalogue key of an error result's message ("libs7.error.connection_failed"), or
// failure_reason::unknown when its message names none.
std::string error_reason_of(const json& error_result);

void write_exposition(const sensor_report& report, const exposition_context& context, exposition_format format,
                      std::ostream& out);

}  // namespace korvel::probekit::host
