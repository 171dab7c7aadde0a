#pragma once

// The thresholds a plugin user types: -w and -c CHANNEL=RANGE in the monitoring-plugin range syntax
// ("10" alerts outside 0..10, "10:" below 10, "~:10" above 10, "10:20" outside 10..20, "@10:20" inside
// it), parsed once and used for the state and the performance data alike.

#include <stdexcept>
#include <string>
#include <string_view>

namespace korvel::probekit::host {

// A -w or -c value that is not CHANNEL=RANGE; the text says what is expected.
class range_error : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

struct plugin_range {
    double start = 0;     // -infinity for "~"
    double end = 0;       // +infinity when the range has no end
    bool inside = false;  // "@": alert inside start..end instead of outside
    std::string text;     // as the performance data write it

    bool alerts(double value) const;
};

// Throws range_error for anything but the five forms (with numbers, "~" as a start, start <= end).
plugin_range parse_plugin_range(std::string_view text);

enum class threshold_level { warning, critical };

// One -w or -c: which channels (an English channel name as the performance data label it, or a
// channel key with or without its "channel." prefix) and the range that raises the level.
struct channel_threshold {
    std::string channel;
    threshold_level level = threshold_level::warning;
    plugin_range range;

    bool names(std::string_view key, std::string_view english_name) const;
};

// "CHANNEL=RANGE"; option ("-w" or "-c") is named in the error.
channel_threshold parse_channel_threshold(threshold_level level, std::string_view text);

}  // namespace korvel::probekit::host
