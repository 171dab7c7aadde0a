#pragma once

// Readers for two of s7host's output formats, written from the formats' own rules rather than from
// s7host's code, so a test can tell whether the output is what a monitoring system accepts. Each
// throws std::runtime_error naming the rule a text breaks.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvel::probekit::host::test_support {

// The monitoring-plugin convention: a status line "S7 <SENSOR> <STATE> - <text>", optionally followed
// by " | " and performance data, then long output lines.
struct performance_value {
    std::string label;
    double value = 0;
    std::string unit;
    std::string warn, crit;  // ranges ("10", "10:", "~:10", "10:20", "@10:20"); empty when not given
    std::optional<double> min, max;
};

struct plugin_output {
    std::string sensor;
    std::string state;  // OK, WARNING, CRITICAL, UNKNOWN
    std::string text;
    std::vector<performance_value> performance;
    std::vector<std::string> long_output;
};

plugin_output parse_plugin_output(const std::string& output);

// The OpenMetrics text format: families announced by "# TYPE", their samples together and named by
// their type's rules (a counter's end in _total, a state set's carry their state), "# EOF" last.
struct metric_sample {
    std::string name;
    std::map<std::string, std::string> labels;
    double value = 0;
};

struct metric_family {
    std::string name;
    std::string type;
    std::string unit;
    std::vector<metric_sample> samples;
};

std::vector<metric_family> parse_openmetrics(const std::string& exposition);

}  // namespace korvel::probekit::host::test_support
