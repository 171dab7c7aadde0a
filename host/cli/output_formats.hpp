#pragma once

// The four ways a result leaves s7host: a table for people (text), the monitoring-plugin convention
// (nagios), JSON Lines for scripts (json) and the OpenMetrics text format for Prometheus
// (openmetrics, or the classic text format that node_exporter's textfile collector reads: prometheus).
// All of them show the state the evaluation decided, which is also the exit status.

#include <chrono>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "host/cli/evaluation.hpp"
#include "host/cli/metric_exposition.hpp"

namespace korvel::probekit::host {

enum class output_format { text, nagios, json_lines, openmetrics, prometheus_text };

std::optional<output_format> output_format_named(std::string_view name);

// Columns a UTF-8 text takes on a terminal: East Asian wide and fullwidth characters take two,
// combining marks none, everything else one.
std::size_t display_width(std::string_view text);

// Rows with each column padded to its widest cell by display width, so translated texts line up.
void print_table(const std::vector<std::vector<std::string>>& rows, std::string_view indent,
                 std::ostream& out);

// ISO 8601 in UTC with seconds: "2025-01-31T08:15:00Z".
std::string utc_time_text(std::chrono::system_clock::time_point time);

// Which scan of a run a report is: number from 1, of count (0: until interrupted).
struct scan_position {
    int number = 1;
    int count = 1;
};

// Writes one report in the format; the caller flushes. openmetrics takes the scan's context where
// there is one: without it, statesets show only the current state and nothing tells module ids.
void write_report(const sensor_report& report, output_format format, const scan_position& position,
                  std::ostream& out, const exposition_context* metrics = nullptr);

}  // namespace korvel::probekit::host
