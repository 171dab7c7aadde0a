#pragma once

#include <map>

#include "host/cli/json.hpp"
#include "host/cli/limit_tracker.hpp"
#include "host/cli/scan_summary.hpp"
#include "host/cli/sensor_record.hpp"
#include "host/cli/translator.hpp"

namespace korvel::probekit::host {

// Turns one sensor's results into summaries. Keeps each channel's limit state from scan to scan, so
// one evaluator must see all results of the sensor in order.
class scan_evaluator {
public:
    scan_evaluator(const json& descriptor, const translator& texts)
        : descriptor_(descriptor), texts_(texts) {}

    // A scan_result or error_result, read with the channels the host holds for the sensor.
    scan_summary evaluate(const json& result, const sensor_record& sensor);

private:
    channel_row row(const json& value, const known_channel* channel);
    std::optional<severity> limit_state(int id, const json& definition, const json& value);

    const json& descriptor_;
    const translator& texts_;
    std::map<int, limit_tracker> trackers_;
};

}  // namespace korvel::probekit::host
