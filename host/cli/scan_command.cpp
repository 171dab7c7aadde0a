#include "host/cli/scan_command.hpp"

#include <charconv>
#include <chrono>
#include <thread>

#include "host/cli/descriptor_settings.hpp"
#include "host/cli/export_failure.hpp"
#include "host/cli/scan_evaluator.hpp"
#include "host/cli/scan_summary_printer.hpp"
#include "host/cli/sensor_messages.hpp"
#include "host/cli/settings_block.hpp"
#include "host/cli/severity.hpp"
#include "host/cli/usage_error.hpp"

namespace korvel::probekit::host {
namespace {

std::chrono::seconds scan_pause(const json& block) {
    const std::string interval = block.at("settings").at("interval").get<std::string>();
    int seconds = 0;
    const auto [end, error] = std::from_chars(interval.data(), interval.data() + interval.size(), seconds);
    if (error != std::errc() || end != interval.data() + interval.size() || seconds < 0) {
        throw usage_error("the interval setting \"" + interval + "\" is not a whole number of seconds");
    }
    return std::chrono::seconds(seconds);
}

const json* find_result(const std::vector<json>& messages, int id) {
    for (const auto& message : messages) {
        const std::string type = message.value("type", "");
        if ((type == "scan_result" || type == "error_result") && message.value("sensor_id", -1) == id) {
            return &message;
        }
    }
    return nullptr;
}

// The module's own reason when it sent one (an error result: the settings were wrong), else ours.
int report_creation_failure(const host_session& session, const scan_options& options, int code,
                            const std::vector<json>& messages) {
    if (const json* error = find_result(messages, options.id)) {
        session.err << "s7host: cannot create the sensor: "
                    << session.texts.message(error->value("message", json::object())) << '\n';
        return exit_status(severity::error);
    }
    session.err << "s7host: " << creation_failure_text(code, options.kind, options.id, session.descriptor)
                << '\n';
    return exit_status(severity::unknown);
}

}  // namespace

int scan_command(const host_session& session, const std::filesystem::path& state_file,
                 const scan_options& options) {
    sensor_messages messages(session, state_file, options.kind, options.id,
                             options.raw_json ? &session.out : nullptr);
    const json block = build_settings_block({options.kind, settings_of_kind(session.descriptor, options.kind),
                                             options.assignments, &messages.sensor()});
    const auto pause = options.count > 1 ? scan_pause(block) : std::chrono::seconds(0);

    const int created = session.module.create_sensor(options.id, block.dump());
    const auto creation = messages.take();
    if (created != 0) return report_creation_failure(session, options, created, creation);

    scan_evaluator evaluator(session.descriptor, session.texts);
    severity last = severity::unknown;
    for (int scan = 1; scan <= options.count; ++scan) {
        if (scan > 1) std::this_thread::sleep_for(pause);
        const int code = session.module.scan(options.id);
        const auto results = messages.take();
        const std::string title = "Scan " + std::to_string(scan) + "/" + std::to_string(options.count);
        const json* result = find_result(results, options.id);
        if (result == nullptr) {
            session.err << "s7host: " << title << ": no result (ExecuteSensorScan returned " << code << ")\n";
            last = severity::unknown;
            continue;
        }
        const auto summary = evaluator.evaluate(*result, messages.sensor());
        if (!options.raw_json) print_scan_summary(summary, title, session.out);
        last = summary.state;
    }
    session.module.destroy_sensor(options.id);
    messages.take();
    return exit_status(last);
}

}  // namespace korvel::probekit::host
