#include "s7/cpu_restart_overview_sensor.hpp"

#include "libi18n/i18n_msg.hpp"
#include "s7/channel_options.hpp"
#include "s7/persisted_values.hpp"
#include "s7/restart_counting.hpp"
#include "s7/texts/sensor_texts.hpp"

namespace korvel::probekit::s7 {
namespace {

namespace channels = libvexahelper::channels;
namespace channel_text = texts::channel;

constexpr const char* most_recent_restart_key = "most_recent_restart_ts";
constexpr int restart_state_channel = 0;
constexpr int total_restarts_channel = 1;
constexpr int first_total_channel = 2;

// Channels 2 to 7 show the totals in restart_kind order.
const libi18n::message_key* const total_channel_names[restart_kinds] = {
    &channel_text::automatic_cold_restarts, &channel_text::automatic_warm_restarts,
    &channel_text::automatic_hot_restarts,  &channel_text::manual_cold_restarts,
    &channel_text::manual_warm_restarts,    &channel_text::manual_hot_restarts,
};

dynamic_channel_options count_options(int id, const libi18n::message_key& name) {
    return channel_options(id, name, channels::value_kind::integer, channels::unit::count);
}

}  // namespace

cpu_restart_overview_sensor::cpu_restart_overview_sensor(
    std::shared_ptr<libvexahelper::module::service_container> container, int id,
    settings::s7_300_400_settings settings, std::shared_ptr<libvexahelper::settings::channel_map> channels,
    libvexahelper::settings::persistent_data_storage persistent)
    : diagnostics_sensor(std::move(container), id, std::move(settings), std::move(channels),
                         std::move(persistent), "SIMATIC S7-300/400 CPU Restart Overview") {
    ensure_dynamic_channel(
        lookup_channel_options(restart_state_channel, channel_text::restart_state, "restart_state"));
    ensure_dynamic_channel(count_options(total_restarts_channel, channel_text::total_restarts));
    for (std::size_t kind = 0; kind < restart_kinds; ++kind) {
        ensure_dynamic_channel(
            count_options(first_total_channel + static_cast<int>(kind), *total_channel_names[kind]));
    }
}

void cpu_restart_overview_sensor::do_scan() {
    connection();
    auto result = make_result(libi18n::literal_msg("OK"), libvexahelper::responses::scan_response_codes::ok);

    trace("Query Diagnostics Buffer");
    auto entries = read_diagnostic_buffer();

    restart_totals stored{};
    for (std::size_t kind = 0; kind < restart_kinds; ++kind) {
        const std::string key = total_key(static_cast<restart_kind>(kind));
        stored[kind] = persisted_count(key, get_persistent(key), sensor_log()).value_or(0);
    }
    const auto previous =
        persisted_time_stamp(most_recent_restart_key, get_persistent(most_recent_restart_key), sensor_log());
    const auto count = count_restarts(std::move(entries), previous, stored, sensor_log());
    if (count.newest) {
        set_persistent(most_recent_restart_key, *count.newest);
        for (std::size_t kind = 0; kind < restart_kinds; ++kind) {
            set_persistent(total_key(static_cast<restart_kind>(kind)), std::to_string(count.totals[kind]));
        }
    }
    trace("  Most Recent Restart State: ", restart_state_name(count.state));

    result.set_value(restart_state_channel, count.state);
    result.set_value(total_restarts_channel, total_restarts(count.totals));
    for (std::size_t kind = 0; kind < restart_kinds; ++kind) {
        result.set_value(first_total_channel + static_cast<int>(kind), count.totals[kind]);
    }
    send(result);
}

}  // namespace korvel::probekit::s7
