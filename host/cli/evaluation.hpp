#pragma once

// The one place where a result's state is decided: the module's response code, the lookup state of
// each lookup channel and each channel's limits, combined into the state that every output format
// shows and the exit status reports.

#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/cli/json.hpp"
#include "host/cli/plugin_range.hpp"
#include "host/cli/settings.hpp"
#include "host/cli/severity.hpp"
#include "host/cli/state_store.hpp"
#include "host/cli/translation.hpp"

namespace korvel::probekit::host {

// Scan response_code: 0 ok, 1 warning, 2 unknown, 3 error; any other code is unknown.
severity severity_of_response_code(std::optional<std::int64_t> response_code);

// Descriptor lookup states; "LookupValueStateNone" (and anything else) is neutral and has none.
std::optional<severity> severity_of_lookup_state(std::string_view state);

// The four limit slots of a channel, slot 1 first; an empty slot is unset.
using limit_slots = std::array<std::optional<double>, 4>;

// A channel definition's "limits" (four entries, null for unset).
limit_slots limit_slots_from_json(const json& limits);

// Evaluates one channel's values against its limits. Slot 1 raises a warning that holds until the
// value falls below slot 3, so the tracker must see every value of the channel in order.
class limit_tracker {
public:
    explicit limit_tracker(limit_slots slots) : slots_(slots) {}

    severity evaluate(double value);

private:
    limit_slots slots_;
    bool held_by_slot_1_ = false;
};

// One channel value as every format shows it, translated.
struct channel_report {
    int id = 0;
    std::string key;                    // the channel's text key; empty for a channel the host does not hold
    std::string name;                   // in the user's language
    std::string english_name;           // stable across languages: performance data labels
    json value;                         // the number as shown (factor applied); null when the scan has none
    std::string unit;                   // "%", "ms", "#", a custom unit, or empty
    std::string unit_name;              // "percent", "milliseconds", "count", a custom unit, or empty
    std::string text;                   // prefix, value, suffix and unit, or the lookup entry's text
    bool from_lookup = false;           // text is the lookup entry's
    std::optional<severity> state;      // none: no limits, no lookup state, or no value
    std::optional<limit_slots> limits;  // the module's, less the slots -w and -c replace
    std::optional<plugin_range> warning_range{};   // -w: replaces slots 1 to 3
    std::optional<plugin_range> critical_range{};  // -c: replaces slot 4
    bool held = false;  // state, value and text are a problem of an earlier scan (--hold)
};

// One result of a sensor or check.
struct sensor_report {
    bool is_check = false;
    std::string kind;
    std::string kind_display;          // the kind's name in the user's language
    std::string language = "English";  // the user's, for the words of a table
    int id = 0;
    std::vector<target_setting> target;
    std::chrono::system_clock::time_point time;
    bool failed = false;  // no values: an error result, or no result at all
    severity state = severity::unknown;
    std::string message;  // translated
    std::vector<channel_report> channels;
};

// A result without values: the sensor could not be created, the check or scan did not answer.
sensor_report failure_report(sensor_report header, std::string message);

// Turns one sensor's results into reports. Keeps each channel's limit state from scan to scan, so
// one evaluator must see all results of the sensor in order.
class scan_evaluator {
public:
    // failed_scan: the state of an error result; thresholds: -w and -c, a later one winning.
    scan_evaluator(const json& descriptor, const translator& texts, severity failed_scan = severity::error,
                   std::vector<channel_threshold> thresholds = {})
        : descriptor_(descriptor),
          texts_(texts),
          failed_scan_(failed_scan),
          thresholds_(std::move(thresholds)) {}

    // A scan_result or error_result, read with the channels the host holds for the sensor. An error
    // result means the controller could not be read: failed_scan, critical unless the user chose
    // unknown.
    sensor_report evaluate(sensor_report header, const json& result, const sensor_record& sensor);

    // A check_result: ok when it succeeded, an error when it did not.
    sensor_report evaluate_check(sensor_report header, const json& result) const;

    // A channel definition as it is shown before any value: name, unit and lookup.
    channel_report describe(int id, const json& definition) const;

private:
    channel_report row(const json& value, const json& definition);
    std::optional<severity> limit_state(const channel_report& channel, const json& value);

    const json& descriptor_;
    const translator& texts_;
    severity failed_scan_;
    std::vector<channel_threshold> thresholds_;
    std::map<int, limit_tracker> trackers_;
};

// A lookup's entries: value, translated text and state (none for a neutral entry).
struct lookup_value {
    std::int64_t value = 0;
    std::string text;
    std::optional<severity> state;
};
std::vector<lookup_value> lookup_values(const json& descriptor, const std::string& lookup,
                                        const translator& texts);

}  // namespace korvel::probekit::host
