#include "s7/simatic_s7_1200_1500_cpu_status_sensor.hpp"

#include <charconv>
#include <optional>
#include <string>

#include "libi18n/i18n_msg.hpp"
#include "s7/channel_options.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/plc_mode_lookups.hpp"
#include "s7/s7web/answer_reading.hpp"
#include "s7/s7web/diagnostic_buffer.hpp"
#include "s7/s7web/plc_mode.hpp"
#include "s7/s7web/runtime_information.hpp"
#include "s7/texts/sensor_texts.hpp"
#include "s7/web_cycle_time_events.hpp"

namespace korvel::probekit::s7 {
namespace {

namespace channel_text = texts::channel;
using libvexahelper::responses::sensor_scan_result;

enum cpu_status_channel : int {
    operating_mode_channel = 0,
    mode_selector_channel = 1,
    cycle_time_status_channel = 2,
    current_cycle_time_channel = 3,
    shortest_cycle_time_channel = 4,
    longest_cycle_time_channel = 5,
    program_load_cyclic_channel = 6,
    program_load_high_priority_channel = 7,
    communication_load_channel = 8,
    communication_load_ratio_channel = 9,
    operating_mode_r2_channel = 10,
    mode_selector_r2_channel = 11,
};

constexpr const char* operating_mode_method = "Plc.ReadOperatingMode";
constexpr const char* mode_selector_method = "Plc.ReadModeSelectorState";
constexpr const char* runtime_information_method = "Plc.ReadRuntimeInformation";
constexpr const char* most_recent_event_key = "most_recent_event_ts";
// The entries one diagnostic buffer browse asks for; a full answer may have skipped older events.
constexpr std::size_t diagnostic_entries_requested = 100;
constexpr const char* operating_mode_lookup = "operating_mode_s7web";
constexpr const char* mode_selector_lookup = "mode_selector";

dynamic_channel_options program_load_cyclic_options() {
    auto options =
        percent_channel_options(program_load_cyclic_channel, channel_text::program_load_cyclic_percent);
    options.limit_mode = true;
    options.limits[1] = {true, 80.0};
    options.limits[3] = {true, 100.0};
    return options;
}

s7web::request_batch status_batch(bool redundant) {
    s7web::request_batch batch;
    if (redundant) {
        batch.add(operating_mode_method, 1).add(operating_mode_method, 2);
        batch.add(mode_selector_method, 1).add(mode_selector_method, 2);
    } else {
        batch.add(operating_mode_method).add(mode_selector_method);
    }
    batch.add(runtime_information_method).add_diagnostic_buffer_browse(diagnostic_entries_requested);
    return batch;
}

// A load is a share of the CPU's time: one outside 0 to 100 % says nothing a channel could show, so
// it is left out of the scan (and said at warning level) rather than clamped into a false alarm.
std::optional<double> load_in_range(double percent, const char* what, liblog::log_interface& log) {
    if (percent >= 0 && percent <= 100) return percent;
    if (log.enabled()) {
        char digits[32];
        const char* end = std::to_chars(digits, digits + sizeof digits, percent).ptr;
        const std::string number(static_cast<const char*>(digits), end);
        log.log(liblog::level::warning,
                std::string("Ignoring ") + what + " of " + number + " %: a load lies within 0 to 100 %");
    }
    return std::nullopt;
}

// Whether the batch holds the operating mode the scan reports (of the first CPU of a redundant pair).
bool holds_operating_mode(const s7web::s7web_client::answers& answers) {
    for (const auto& answer : answers) {
        const std::string id = s7web::text_or_empty(*answer, "id");
        if (id == operating_mode_method || id == "Plc.ReadOperatingMode.1") return true;
    }
    return false;
}

// A CPU of a redundant system answers the mode read without a redundancy id with invalid params.
bool asks_for_redundancy_ids(const s7web::s7web_client::answers& answers) {
    for (const auto& answer : answers) {
        if (s7web::text_or_empty(*answer, "id") == operating_mode_method)
            return s7web::error_code_of(*answer) == s7web::invalid_params;
    }
    return false;
}

}  // namespace

simatic_s7_1200_1500_cpu_status_sensor::simatic_s7_1200_1500_cpu_status_sensor(
    std::shared_ptr<libvexahelper::module::service_container> container, int id,
    settings::simatic_s7_1200_1500_cpu_status_sensor settings,
    std::shared_ptr<libvexahelper::settings::channel_map> channels,
    libvexahelper::settings::persistent_data_storage persistent)
    : s7web_sensor(std::move(container), id, std::move(settings), std::move(channels), std::move(persistent),
                   "SIMATIC S7-1200/1500 CPU Status") {
    ensure_dynamic_channel(
        lookup_channel_options(operating_mode_channel, channel_text::operating_mode, operating_mode_lookup));
    ensure_dynamic_channel(
        lookup_channel_options(mode_selector_channel, channel_text::mode_selector, mode_selector_lookup));
    ensure_dynamic_channel(lookup_channel_options(
        cycle_time_status_channel, channel_text::recent_cycle_time_status, "recent_cycle_time_status"));
}

void simatic_s7_1200_1500_cpu_status_sensor::do_scan() {
    trace("Querying PLC status");
    auto answers = execute(status_batch(redundant_));
    if (!redundant_ && asks_for_redundancy_ids(answers)) {
        trace("Detected redundancy, retrying");
        redundant_ = true;
        answers = execute(status_batch(true));
    }
    // Checked before any answer is taken in, so a useless batch changes no stored value.
    if (!holds_operating_mode(answers)) {
        trace("The batch response contained no Plc.ReadOperatingMode result");
        throw exceptions::api_unexpected_error();
    }

    auto result = make_result(libi18n::literal_msg(""), libvexahelper::responses::scan_response_codes::ok);
    std::optional<std::string> operating_mode;
    for (const auto& answer : answers) {
        const std::string id = s7web::text_or_empty(*answer, "id");
        if (id == "Plc.ReadOperatingMode" || id == "Plc.ReadOperatingMode.1") {
            operating_mode = s7web::parse_operating_mode(*answer);
            trace("  Operating mode: ", *operating_mode);
            result.set_value(operating_mode_channel, operating_mode_value(*operating_mode));
        } else if (id == "Plc.ReadOperatingMode.2") {
            ensure_dynamic_channel(lookup_channel_options(
                operating_mode_r2_channel, channel_text::operating_mode_r2, operating_mode_lookup));
            result.set_value(operating_mode_r2_channel,
                             operating_mode_value(s7web::parse_operating_mode(*answer)));
        } else if (id == "Plc.ReadModeSelectorState" || id == "Plc.ReadModeSelectorState.1") {
            result.set_value(mode_selector_channel,
                             mode_selector_value(s7web::parse_mode_selector_state(*answer)));
        } else if (id == "Plc.ReadModeSelectorState.2") {
            ensure_dynamic_channel(lookup_channel_options(
                mode_selector_r2_channel, channel_text::mode_selector_r2, mode_selector_lookup));
            result.set_value(mode_selector_r2_channel,
                             mode_selector_value(s7web::parse_mode_selector_state(*answer)));
        } else if (id == "Plc.ReadRuntimeInformation") {
            report_runtime_information(*answer, result);
        } else if (id == "DiagnosticBuffer.Browse") {
            report_cycle_time_events(*answer, result);
        }
    }
    if (operating_mode) {
        result.set_response_message(
            libi18n::make_msg(texts::message::operating_mode, displayed_operating_mode(*operating_mode)));
    }
    send(result);
}

void simatic_s7_1200_1500_cpu_status_sensor::report_runtime_information(
    const libparser::parser_interface& answer, sensor_scan_result& result) {
    const auto runtime = s7web::parse_runtime_information(answer);
    if (!runtime) return;
    ensure_dynamic_channel(
        milliseconds_channel_options(current_cycle_time_channel, channel_text::current_cycle_time));
    ensure_dynamic_channel(
        milliseconds_channel_options(shortest_cycle_time_channel, channel_text::shortest_cycle_time));
    ensure_dynamic_channel(
        milliseconds_channel_options(longest_cycle_time_channel, channel_text::longest_cycle_time));
    ensure_dynamic_channel(program_load_cyclic_options());
    ensure_dynamic_channel(percent_channel_options(program_load_high_priority_channel,
                                                   channel_text::program_load_high_priority_percent));
    ensure_dynamic_channel(
        percent_channel_options(communication_load_channel, channel_text::communication_load_percent));
    ensure_dynamic_channel(percent_channel_options(communication_load_ratio_channel,
                                                   channel_text::communication_load_ratio_percent));
    result.set_value(current_cycle_time_channel, runtime->current_cycle_time_ms);
    result.set_value(shortest_cycle_time_channel, runtime->shortest_cycle_time_ms);
    result.set_value(longest_cycle_time_channel, runtime->longest_cycle_time_ms);
    const auto cyclic =
        load_in_range(runtime->program_load_cyclic_percent, "the program load of cyclic OBs", sensor_log());
    const auto high_priority = load_in_range(runtime->program_load_high_priority_percent,
                                             "the program load of high-priority OBs", sensor_log());
    const auto communication =
        load_in_range(runtime->current_communication_load_percent, "the communication load", sensor_log());
    const auto maximum = load_in_range(runtime->max_communication_load_percent,
                                       "the configured maximum communication load", sensor_log());
    if (cyclic) result.set_value(program_load_cyclic_channel, *cyclic);
    if (high_priority) result.set_value(program_load_high_priority_channel, *high_priority);
    if (communication) result.set_value(communication_load_channel, *communication);
    if (communication && maximum)
        result.set_value(communication_load_ratio_channel, runtime->communication_load_ratio_percent());
}

void simatic_s7_1200_1500_cpu_status_sensor::report_cycle_time_events(
    const libparser::parser_interface& answer, sensor_scan_result& result) {
    const auto entries = s7web::parse_diagnostic_buffer(answer);
    if (!entries) return;
    const auto previous =
        persisted_web_time_stamp(most_recent_event_key, get_persistent(most_recent_event_key), sensor_log());
    const auto events =
        evaluate_web_cycle_time_events(*entries, diagnostic_entries_requested, previous, sensor_log());
    if (events.newest) set_persistent(most_recent_event_key, *events.newest);
    result.set_value(cycle_time_status_channel, static_cast<std::int64_t>(events.status));
}

}  // namespace korvel::probekit::s7
