// scan, check and demo: the commands that create sensors or run checks, each result written and
// flushed as soon as it is evaluated, the sensor's state saved after every change.

#include <chrono>
#include <cstdlib>
#include <optional>

#include "host/cli/channel_hold.hpp"
#include "host/cli/commands.hpp"
#include "host/cli/evaluation.hpp"
#include "host/cli/metric_exposition.hpp"
#include "host/cli/output_formats.hpp"
#include "host/cli/state_store.hpp"
#include "host/harness/protocol.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"

namespace korvel::probekit::host {
namespace {

namespace export_code = protocol::export_code;
namespace message_type = protocol::message_type;

constexpr int cannot_run = 3;

const json* find_result(const std::vector<json>& messages, std::initializer_list<std::string_view> types,
                        const char* id_member, int id) {
    for (const auto& message : messages) {
        const std::string type = text_member(message, "type");
        if (std::ranges::find(types, type) != types.end() && integer_member(message, id_member) == id)
            return &message;
    }
    return nullptr;
}

std::optional<output_format> chosen_format(const command_line& options) {
    return options.format_given ? std::optional(options.format) : std::nullopt;
}

// One line, however many: the value stays out of the message.
void warn_of_exposed_secrets(const resolved_settings& settings, std::ostream& notices) {
    const auto& keys = settings.exposed_secrets();
    if (keys.empty()) return;
    std::string names;
    for (const auto& key : keys) names += (names.empty() ? "" : ", ") + key;
    notices << "s7host: the secret " << names << (keys.size() == 1 ? " is" : " are")
            << " on the command line, where every local user can read it (ps); give it with --set-file "
               "KEY=PATH or --set-env KEY=VARIABLE\n";
}

// A -w or -c that names none of the sensor's channels is a typo, not a threshold to drop in silence.
void check_threshold_channels(const std::vector<channel_threshold>& thresholds, const sensor_record& sensor) {
    for (const auto& threshold : thresholds) {
        std::vector<std::string> names;
        bool named = false;
        for (const auto& [id, channel] : sensor.channels) {
            named = named || threshold.names(text_member(channel.definition, "key"), channel.name);
            names.push_back(channel.name);
        }
        if (named) continue;
        std::string list;
        for (const auto& name : names) list += (list.empty() ? "" : ", ") + name;
        throw usage_error(std::string(threshold.level == threshold_level::warning ? "-w " : "-c ") +
                          threshold.channel + ": the sensor has no such channel" +
                          did_you_mean(threshold.channel, names) + " (its channels: " + list + ")");
    }
}

// One sensor's run: its state file and the messages that change it.
class sensor_run {
public:
    sensor_run(module_session& session, sensor_state& state, int id)
        : session_(session), state_(state), id_(id) {}

    // The module's messages since the last call, after taking in this sensor's persistent values and
    // channels and saving them when they changed.
    std::vector<json> take() {
        auto messages = session_.take_messages();
        bool changed = false;
        for (const auto& message : messages) {
            if (integer_member(message, "sensor_id") == id_)
                changed = state_.record().apply(message) || changed;
        }
        if (changed) state_.save();
        return messages;
    }

private:
    module_session& session_;
    sensor_state& state_;
    int id_;
};

std::filesystem::path state_directory_of(const command_line& options, std::ostream& notices) {
    return options.state_directory ? *options.state_directory : default_state_directory(::getenv, notices);
}

// Destroys the sensor when the run ends, however it ends: a threshold may name no channel of it.
class created_sensor {
public:
    created_sensor(module_library& module, int id) : module_(module), id_(id) {}
    ~created_sensor() { module_.destroy_sensor(id_); }
    created_sensor(const created_sensor&) = delete;
    created_sensor& operator=(const created_sensor&) = delete;

private:
    module_library& module_;
    int id_;
};

// The demo's simulated CPU listens on a new port each time, so its sensors are new targets each time:
// without --state-dir their state lives only as long as the demo.
class scratch_directory {
public:
    scratch_directory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "s7host-demo-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr)
            throw state_error("cannot create a temporary state directory in " +
                              std::filesystem::temp_directory_path().string() +
                              " (give one with --state-dir DIR)");
        path_ = pattern;
    }
    ~scratch_directory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    scratch_directory(const scratch_directory&) = delete;
    scratch_directory& operator=(const scratch_directory&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Creates the sensor, scans it, destroys it; header gains the target as soon as it is known.
int scan_sensor(module_session& session, const command_line& options, sensor_report& header,
                std::ostream& out, const interruption& stop, const clock_function& now) {
    const std::string& kind = header.kind;
    const resolved_settings settings(kind, settings_for(session, kind, true), options.assignments,
                                     session.texts());
    warn_of_exposed_secrets(settings, session.notices());
    header.target = target_of(settings);
    const auto timeout = std::chrono::seconds(settings.integer("timeout"));
    sensor_state state(state_directory_of(options, session.notices()), {kind, options.id, header.target},
                       timeout, session.notices());
    sensor_run run(session, state, options.id);

    const int created =
        session.module().create_sensor(options.id, settings_block(kind, settings, &state.record()).dump());
    const auto creation = run.take();
    if (created != export_code::success) {
        const json* error = find_result(creation, {message_type::error_result}, "sensor_id", options.id);
        throw std::runtime_error(error != nullptr
                                     ? "cannot create the sensor: " +
                                           session.texts().message(error->value("message", json::object()))
                                     : export_failure_text(created, "creating the sensor", kind, options.id));
    }

    const created_sensor sensor(session.module(), options.id);

    const auto pause = std::chrono::seconds(settings.integer("interval"));
    scan_evaluator evaluator(session.descriptor(), session.texts(), options.failed_scan_state,
                             options.thresholds);
    const channel_hold hold(options.hold);
    bool thresholds_checked = false;
    int status = cannot_run;
    for (int number = 1; options.count == 0 || number <= options.count; ++number) {
        if (number > 1 && stop.wait_for(pause)) break;
        if (stop.requested()) break;
        header.time = now();
        const auto started = std::chrono::steady_clock::now();
        const int code = session.module().scan(options.id);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        const auto messages = run.take();
        const json* result = find_result(messages, {message_type::scan_result, message_type::error_result},
                                         "sensor_id", options.id);
        auto report = result != nullptr ? evaluator.evaluate(header, *result, state.record())
                                        : failure_report(header, "no result (ExecuteSensorScan returned " +
                                                                     std::to_string(code) + ")");
        // Once the sensor's channels are known: a sensor may announce them only with its first good scan.
        if (!thresholds_checked && (!report.failed || !state.record().channels.empty())) {
            check_threshold_channels(options.thresholds, state.record());
            thresholds_checked = true;
        }
        if (!report.failed && hold.apply(report, state.record().held, header.time)) state.save();
        const exposition_context metrics{
            identity_of(report), &session.descriptor(), &state.record(), took.count(),
            result == nullptr ? std::string(failure_reason::no_result) : error_reason_of(*result)};
        write_report(report, options.format, {number, options.count}, out, &metrics);
        out.flush();
        status = exit_status(report.state);
    }
    return status;
}

}  // namespace

int scan_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                 const interruption& stop, const clock_function& now) {
    sensor_report header =
        report_header(&session, *options.kind, false, options.id, options.assignments, now());
    try {
        return scan_sensor(session, options, header, out, stop, now);
    } catch (const std::exception& error) {  // settings, state and kind errors: the run cannot start or go on
        return report_failure(header, error.what(), chosen_format(options), out, err);
    }
}

int check_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                  const clock_function& now) {
    sensor_report header =
        report_header(&session, *options.kind, true, options.id, options.assignments, now());
    try {
        const resolved_settings settings(header.kind, settings_for(session, header.kind, false),
                                         options.assignments, session.texts());
        warn_of_exposed_secrets(settings, session.notices());
        header.target = target_of(settings);
        const int code =
            session.module().check(options.id, settings_block(header.kind, settings, nullptr).dump());
        const auto messages = session.take_messages();
        const json* result = find_result(messages, {message_type::check_result}, "check_id", options.id);
        if (result == nullptr)
            throw std::runtime_error(export_failure_text(code, "the check", header.kind, options.id));
        auto report = scan_evaluator(session.descriptor(), session.texts()).evaluate_check(header, *result);
        // A check's result says only whether it passed; the module logs why it did not.
        if (report.state != severity::ok) {
            const auto reason = session.take_failure_reason(options.id);
            report.message = reason ? *reason
                                    : report.message +
                                          " (the check logs its reason only while its logging is enabled: "
                                          "--set logging=enabled)";
        }
        write_report(report, options.format, {}, out);
        out.flush();
        return exit_status(report.state);
    } catch (const std::exception& error) {
        return report_failure(header, error.what(), chosen_format(options), out, err);
    }
}

int demo_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                 const interruption& stop, const clock_function& now) {
    simulators::s7_cpu_simulator plc;
    std::optional<scratch_directory> scratch;
    if (!options.state_directory) scratch.emplace();
    const bool titled = options.format == output_format::text;
    if (titled) out << "Simulated S7-300 CPU listening on 127.0.0.1:" << plc.port() << "\n\n";

    const auto scan_of = [&](const std::string& kind, int id) {
        command_line scan = options;
        scan.chosen = command::scan;
        scan.kind = kind;
        scan.id = id;
        scan.count = 1;
        if (scratch) scan.state_directory = scratch->path();
        scan.assignments = {{"host", "127.0.0.1", "demo"},
                            {"connection_section.port", std::to_string(plc.port()), "demo"},
                            {"connection_section.rack", "0", "demo"},
                            {"connection_section.slot", "2", "demo"}};
        return scan;
    };
    auto cpu_status = scan_of("simatic_s7_300_400_cpu_status_sensor", 1);
    cpu_status.assignments.push_back(
        {"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "10", "demo"});
    const auto led_status = scan_of("simatic_s7_300_400_led_status_sensor", 2);
    const auto restarts = scan_of("simatic_s7_300_400_cpu_restart_overview_sensor", 3);

    bool every_scan_answered = true;
    const auto run = [&](const std::string& title, const command_line& scan) {
        if (stop.requested()) return;
        if (titled) out << "== " << title << " ==\n";
        every_scan_answered &= scan_command(session, scan, out, err, stop, now) != cannot_run;
        if (titled) out << '\n';
    };
    run("CPU status, CPU in RUN", cpu_status);
    plc.set_cpu_state(simulators::cpu_state::stop);
    run("CPU status, CPU switched to STOP", cpu_status);
    plc.set_cpu_state(simulators::cpu_state::run);
    run("LED status", led_status);
    run("Restart overview: the three restarts in the CPU's diagnostic buffer are new", restarts);
    run("Restart overview again, a new run from the saved state: counted once, nothing new", restarts);

    // The S7-1200/1500 part: a simulated plant controller whose Web API answers over HTTPS.
    simulators::s7web_api_simulator plant(simulators::load_scenario_file(S7HOST_DEMO_SCENARIO));
    if (titled && !stop.requested()) {
        out << "Simulated S7-1500 Web API listening on https://127.0.0.1:" << plant.port() << "\n\n";
    }
    const auto web_scan_of = [&](const std::string& kind, int id) {
        command_line scan = scan_of(kind, id);
        scan.assignments = {{"host", "127.0.0.1", "demo"},
                            {"s7web_credentials_section.port", std::to_string(plant.port()), "demo"},
                            {"s7web_credentials_section.username", "diag", "demo"},
                            {"s7web_credentials_section.password", "Diag.Pass+1", "demo"},
                            // The simulator's certificate comes from a CA made at its start.
                            {"shared_http_validation_section.certificate_validation", "none", "demo"}};
        return scan;
    };
    auto login = web_scan_of("s7web_login_check", 7);
    login.chosen = command::check;
    if (!stop.requested()) {
        if (titled) out << "== Web API login check ==\n";
        every_scan_answered &= check_command(session, login, out, err, now) != cannot_run;
        if (titled) out << '\n';
    }
    run("S7-1500 CPU status", web_scan_of("simatic_s7_1200_1500_cpu_status_sensor", 4));
    run("S7-1500 alarm status: the most critical active alarm",
        web_scan_of("simatic_s7_1200_1500_alarm_status_sensor", 5));
    run("S7-1500 hardware status: every module and IO device of the plant",
        web_scan_of("simatic_s7_1200_1500_hardware_status_sensor", 6));
    return every_scan_answered ? 0 : cannot_run;
}

}  // namespace korvel::probekit::host
