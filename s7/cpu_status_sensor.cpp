#include "s7/cpu_status_sensor.hpp"

#include "libi18n/i18n_msg.hpp"
#include "s7/channel_options.hpp"
#include "s7/cycle_time_events.hpp"
#include "s7/persisted_values.hpp"
#include "s7/records/cpu_status.hpp"
#include "s7/records/cycle_time.hpp"
#include "s7/texts/sensor_texts.hpp"

namespace korvel::probekit::s7 {
namespace {

namespace channel_text = texts::channel;

enum channel_id : int {
    cpu_status_channel = 0,
    cycle_ratio_channel = 1,
    previous_cycle_channel = 2,
    minimum_cycle_channel = 3,
    maximum_cycle_channel = 4,
    cycle_time_status_channel = 5,
};

constexpr const char* most_recent_event_key = "most_recent_event_ts";

dynamic_channel_options cycle_ratio_options() {
    auto options = percent_channel_options(cycle_ratio_channel, channel_text::cycle_ratio);
    options.limit_mode = true;
    options.limits[0] = {true, 80.0};
    options.limits[2] = {true, 70.0};
    options.limits[3] = {true, 100.0};
    return options;
}

}  // namespace

cpu_status_sensor::cpu_status_sensor(std::shared_ptr<libvexahelper::module::service_container> container,
                                     int id, settings::cpu_status_sensor_settings settings,
                                     std::shared_ptr<libvexahelper::settings::channel_map> channels,
                                     libvexahelper::settings::persistent_data_storage persistent)
    : diagnostics_sensor(std::move(container), id, std::move(settings), std::move(channels),
                         std::move(persistent), "SIMATIC S7-300/400 CPU Status") {
    ensure_dynamic_channel(
        lookup_channel_options(cpu_status_channel, channel_text::cpu_status, "cpu_status"));
    if (sensor_settings().max_ob1_cycle_time_ms) ensure_dynamic_channel(cycle_ratio_options());
    ensure_dynamic_channel(
        milliseconds_channel_options(previous_cycle_channel, channel_text::ob1_cycle_time_prev));
    ensure_dynamic_channel(
        milliseconds_channel_options(minimum_cycle_channel, channel_text::ob1_cycle_time_min));
    ensure_dynamic_channel(
        milliseconds_channel_options(maximum_cycle_channel, channel_text::ob1_cycle_time_max));
    ensure_dynamic_channel(lookup_channel_options(
        cycle_time_status_channel, channel_text::recent_cycle_time_status, "recent_cycle_time_status"));
}

void cpu_status_sensor::do_scan() {
    auto result = make_result(libi18n::literal_msg("OK"), libvexahelper::responses::scan_response_codes::ok);
    connection();

    trace("Query CPU status");
    result.set_value(cpu_status_channel, read<ob1::cpu_status>().mode);

    trace("Query Cycle Times");
    const auto cycle = read<cycle_time>();
    trace("  Previous Cycle Time: ", cycle.previous_ms, "ms");
    trace("  Max Cycle Time: ", cycle.maximum_ms, "ms");
    trace("  Min Cycle Time: ", cycle.minimum_ms, "ms");
    result.set_value(maximum_cycle_channel, cycle.maximum_ms);
    result.set_value(minimum_cycle_channel, cycle.minimum_ms);
    result.set_value(previous_cycle_channel, cycle.previous_ms);

    // A maximum of 0 would divide by zero: the channel then stays without a value.
    const auto& maximum = sensor_settings().max_ob1_cycle_time_ms;
    if (maximum && *maximum > 0) {
        result.set_value(cycle_ratio_channel,
                         static_cast<double>(cycle.previous_ms) * 100.0 / static_cast<double>(*maximum));
    }

    trace("Query Diagnostics Buffer");
    const auto previous =
        persisted_time_stamp(most_recent_event_key, get_persistent(most_recent_event_key), sensor_log());
    const auto events = evaluate_cycle_time_events(read_diagnostic_buffer(), previous, sensor_log());
    if (events.newest) set_persistent(most_recent_event_key, *events.newest);
    trace("  Recent Cycle Time Status: ", status_name(events.status));
    result.set_value(cycle_time_status_channel, static_cast<std::int64_t>(events.status));

    send(result);
}

}  // namespace korvel::probekit::s7
