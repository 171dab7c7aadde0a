#include "s7/simatic_s7_1200_1500_alarm_status_sensor.hpp"

#include "libi18n/i18n_msg.hpp"
#include "s7/alarm_evaluation.hpp"
#include "s7/answers_by_id.hpp"
#include "s7/channel_options.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/hardware_tree_walk.hpp"
#include "s7/texts/sensor_texts.hpp"

namespace korvel::probekit::s7 {
namespace {

namespace channels = libvexahelper::channels;
namespace channel_text = texts::channel;

enum alarm_status_channel : int {
    unacknowledged_channel = 0,
    total_channel = 1,
    program_channel = 2,
    system_channel = 3,
    other_channel = 4,
    first_alarm_module_channel = 5,
};

// Alarms one browse asks for; a CPU holds far fewer.
constexpr std::int64_t alarms_requested = 5000;

dynamic_channel_options count_options(int id, const libi18n::message_key& name) {
    return channel_options(id, name, channels::value_kind::integer, channels::unit::count);
}

dynamic_channel_options unacknowledged_options() {
    auto options = count_options(unacknowledged_channel, channel_text::unacknowledged_active_alarms);
    options.limit_mode = true;
    options.limits[1] = {true, 0.0};
    options.limits[3] = {true, 1.0};
    return options;
}

dynamic_channel_options module_alarm_options(int id, const std::string& module_name) {
    return lookup_channel_options(id, channel_text::module_alarm_state,
                                  libi18n::make_msg(channel_text::module_alarm_state, module_name),
                                  "alarm_state");
}

}  // namespace

simatic_s7_1200_1500_alarm_status_sensor::simatic_s7_1200_1500_alarm_status_sensor(
    std::shared_ptr<libvexahelper::module::service_container> container, int id,
    settings::simatic_s7_1200_1500_alarm_status_sensor settings,
    std::shared_ptr<libvexahelper::settings::channel_map> channels,
    libvexahelper::settings::persistent_data_storage persistent)
    : s7web_sensor(std::move(container), id, std::move(settings), std::move(channels), std::move(persistent),
                   "SIMATIC S7-1200/1500 Alarm Status") {
    ensure_dynamic_channel(unacknowledged_options());
    ensure_dynamic_channel(count_options(total_channel, channel_text::active_alarms_total));
    ensure_dynamic_channel(count_options(program_channel, channel_text::active_program_alarms));
    ensure_dynamic_channel(count_options(system_channel, channel_text::active_system_alarms));
    ensure_dynamic_channel(count_options(other_channel, channel_text::other_active_alarms));
}

void simatic_s7_1200_1500_alarm_status_sensor::do_scan() {
    trace("Querying active alarms and hardware modules");
    const auto answers =
        execute(s7web::request_batch().add_alarms_browse(alarms_requested).add_modules_browse(std::nullopt));
    const auto by_id = answers_by_id(answers);
    const auto alarms_answer = by_id.find("Alarms.Browse");
    if (alarms_answer == by_id.end()) {
        trace("The batch response contained no Alarms.Browse result");
        throw exceptions::api_unexpected_error();
    }
    const auto alarms = s7web::parse_alarms_browse(*alarms_answer->second);
    log_unreadable(alarms.unreadable_entries, alarms.first_unreadable_reason, "alarm(s)", sensor_log());
    const auto counts = count_alarms(alarms);
    trace("Found ", counts.total, " active alarm(s), ", counts.unacknowledged, " of them unacknowledged");
    const auto modules = walk_modules(answers);

    auto result = make_result(libi18n::literal_msg(""), libvexahelper::responses::scan_response_codes::ok);
    result.set_value(unacknowledged_channel, counts.unacknowledged);
    result.set_value(total_channel, counts.total);
    result.set_value(program_channel, counts.program);
    result.set_value(system_channel, counts.system);
    result.set_value(other_channel, counts.other);
    result.set_response_message(alarm_message(most_critical_alarm(alarms.entries)));
    for (const auto& [name, state] : module_alarm_states(alarms.entries, modules)) {
        const auto id = channel_id_for(name, first_alarm_module_channel);
        if (!id) continue;
        ensure_dynamic_channel(module_alarm_options(*id, name));
        result.set_value(*id, static_cast<std::int64_t>(state));
    }
    send(result);
}

std::vector<s7web::module_node> simatic_s7_1200_1500_alarm_status_sensor::walk_modules(
    const s7web::s7web_client::answers& first_answers) {
    s7web::module_collection collection;
    try {
        s7web::collect_modules_browse(collection, first_answers);
        expand_hardware_tree(collection,
                             [this](s7web::request_batch batch) { return execute(std::move(batch)); });
        if (!collection.pending_hwids.empty()) {
            trace("Reached maximum tree depth; ", collection.pending_hwids.size(),
                  " node(s) below this level get no alarm channel");
        }
    } catch (const exceptions::jsonrpc_exception& error) {
        trace("No per-module alarm channels, browsing the modules failed: ", error.what());
    }
    log_left_out_nodes(collection, sensor_log());
    return std::move(collection.nodes);
}

}  // namespace korvel::probekit::s7
