#include <array>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "host/cli/commands.hpp"
#include "host/cli/metric_exposition.hpp"
#include "host/cli/state_store.hpp"
#include "host/harness/protocol.hpp"

namespace korvel::probekit::host {
namespace {

namespace export_code = protocol::export_code;

// The module beside this executable: ../module/libs7module.so in the build tree, else
// ../lib/s7host/libs7module.so where it is installed (/usr/bin and /usr/lib/s7host, say).
std::filesystem::path default_module_path() {
    const auto directory = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const auto built = (directory / ".." / "module" / "libs7module.so").lexically_normal();
    if (std::filesystem::exists(built)) return built;
    return (directory / ".." / "lib" / "s7host" / "libs7module.so").lexically_normal();
}

json initialise_and_describe(module_library& module) {
    if (const int code = module.initialize(); code != protocol::export_code::success)
        throw std::runtime_error("the module refused to initialise (InitializeModule returned " +
                                 std::to_string(code) + ")");
    const auto information = json::parse(module.module_information(true));
    if (text_member(information, "type") != protocol::message_type::module_information)
        throw std::runtime_error("the module answered the descriptor request with another message");
    return json::parse(information.at("descriptor").get<std::string>());
}

std::string local_time_stamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    std::ostringstream out;
    out << std::put_time(&local, "%Y-%m-%d %H:%M:%S") << '.' << std::setw(3) << std::setfill('0')
        << milliseconds;
    return out.str();
}

// Syslog severities, as the module uses them; a failed check logs its reason at the first.
constexpr std::int64_t emergency_level = 0;

std::string level_name(std::optional<std::int64_t> level) {
    static const std::array<const char*, 8> names{"emergency", "alert",  "critical", "error",
                                                  "warning",   "notice", "info",     "trace"};
    if (level && *level >= 0 && *level < static_cast<std::int64_t>(names.size()))
        return names[static_cast<std::size_t>(*level)];
    return "level " + (level ? std::to_string(*level) : std::string("?"));
}

int run(const command_line& options, std::ostream& out, std::ostream& err, const interruption& stop,
        const clock_function& now) {
    if (options.chosen == command::help) {
        out << help_text(options.help_topic.value_or(command::help));
        return 0;
    }
    module_session session(options, err);
    switch (options.chosen) {
        case command::version:
            return version_command(session, out);
        case command::list:
            return list_command(session, options, out);
        case command::info:
            return info_command(session, options, out);
        case command::scan:
            return scan_command(session, options, out, err, stop, now);
        case command::check:
            return check_command(session, options, out, err, now);
        case command::demo:
            return demo_command(session, options, out, err, stop, now);
        case command::serve:
            return serve_command(session, options, out, err, stop);
        case command::help:
            break;
    }
    return 0;
}

}  // namespace

void interruption::request() {
    {
        std::lock_guard lock(mutex_);
        requested_ = true;
    }
    changed_.notify_all();
}

bool interruption::requested() const {
    std::lock_guard lock(mutex_);
    return requested_;
}

bool interruption::wait_for(std::chrono::milliseconds duration) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, duration, [this] { return requested_; });
}

void interruption::accept_reloads() const {
    std::lock_guard lock(mutex_);
    reloadable_ = true;
}

void interruption::request_reload() {
    {
        std::lock_guard lock(mutex_);
        if (reloadable_) {
            ++reloads_;
            return;
        }
    }
    request();
}

std::uint64_t interruption::reloads() const {
    std::lock_guard lock(mutex_);
    return reloads_;
}

module_session::module_session(const command_line& options, std::ostream& err)
    : path_(options.module_path.value_or(default_module_path())),
      module_(path_.string()),
      descriptor_(initialise_and_describe(module_)),
      texts_(descriptor_, options.language.value_or(language_of_environment(::getenv))),
      log_directory_(options.log_directory),
      verbosity_(options.verbosity),
      err_(err) {
    if (log_directory_) {
        std::error_code error;
        std::filesystem::create_directories(*log_directory_, error);
        if (error) {
            throw std::runtime_error("cannot create the log directory " +
                                     std::filesystem::absolute(*log_directory_).string() + ": " +
                                     error.message() + " (choose another with --log-dir DIR)");
        }
    }
    take_messages();  // the runtime log of the calls so far
}

std::vector<json> module_session::take_messages() {
    std::vector<json> messages;
    for (const auto& bytes : module_.take_messages()) {
        auto message = json::parse(bytes, nullptr, false);
        if (!message.is_object()) {
            err_ << "s7host: the module sent a message that is not a JSON object; ignored\n";
        } else if (text_member(message, "type") == protocol::message_type::log) {
            const auto sensor = integer_member(message, "sensor_id");
            if (sensor && integer_member(message, "level") == emergency_level)
                failure_reasons_[static_cast<int>(*sensor)] = text_member(message, "text");
            write_log(message);
        } else {
            messages.push_back(std::move(message));
        }
    }
    return messages;
}

void module_session::write_log(const json& message) const {
    const auto sensor = integer_member(message, "sensor_id");
    const std::string source = sensor ? "sensor-" + std::to_string(*sensor) : "module";
    const bool on_stderr = verbosity_ >= (sensor ? 1 : 2);
    if (!log_directory_ && !on_stderr) return;
    const std::string line = local_time_stamp() + ' ' + level_name(integer_member(message, "level")) + ' ' +
                             text_member(message, "text") + '\n';
    if (on_stderr) err_ << "s7host: " << source << ": " << line;
    if (!log_directory_) return;
    const auto file = *log_directory_ / (source + ".log");
    std::ofstream out(file, std::ios::app);
    out << line;
    if (!out)
        throw std::runtime_error("cannot write the log file " + std::filesystem::absolute(file).string());
}

std::optional<std::string> module_session::take_failure_reason(int id) {
    const auto found = failure_reasons_.find(id);
    if (found == failure_reasons_.end()) return std::nullopt;
    std::string reason = std::move(found->second);
    failure_reasons_.erase(found);
    return reason;
}

std::string module_session::kind_display(const std::string& kind) const {
    const auto& sensors = descriptor_.at("Sensors");
    if (!sensors.contains(kind)) return kind;
    return texts_.text(kind + ".display", text_member(sensors.at(kind), "Display", kind));
}

std::vector<setting_description> settings_for(const module_session& session, const std::string& kind,
                                              bool want_sensor) {
    const auto& descriptor = session.descriptor();
    const char* wanted = want_sensor ? "Sensors" : "Checks";
    const char* other = want_sensor ? "Checks" : "Sensors";
    if (descriptor.at(wanted).contains(kind)) return settings_of_kind(descriptor, kind);
    if (descriptor.at(other).contains(kind)) {
        throw usage_error(kind + " is a " +
                          (want_sensor ? "check: use s7host check " : "sensor: use s7host scan ") + kind);
    }
    std::vector<std::string> names;
    for (const auto& [name, entry] : descriptor.at(wanted).items()) names.push_back(name);
    throw usage_error("unknown " + std::string(want_sensor ? "sensor" : "check") + " kind \"" + kind + "\"" +
                      did_you_mean(kind, names) + " (s7host list shows the kinds)");
}

std::string export_failure_text(int code, const std::string& call, const std::string& kind, int id) {
    if (code == export_code::not_found)
        return "the module has no " + kind +
               " (its descriptor lists it, but this module build does not provide it yet)";
    if (code == export_code::id_in_use) return "id " + std::to_string(id) + " is already in use";
    if (code == export_code::exception)
        return call + " failed: the module refused the settings block (code 2)";
    if (code == export_code::not_initialised) return call + " failed: the module is not initialised (code 3)";
    if (code == export_code::success) return call + " sent no result";
    return call + " failed with the unexpected code " + std::to_string(code);
}

sensor_report report_header(const module_session* session, const std::string& kind, bool is_check, int id,
                            const std::vector<setting_assignment>& assignments,
                            std::chrono::system_clock::time_point time) {
    sensor_report header;
    header.is_check = is_check;
    header.kind = kind;
    header.kind_display = session != nullptr ? session->kind_display(kind) : kind;
    if (session != nullptr) header.language = session->texts().language();
    header.id = id;
    header.target = given_target(assignments);
    header.time = time;
    return header;
}

int report_failure(const sensor_report& header, const std::string& reason,
                   std::optional<output_format> format, std::ostream& out, std::ostream& err) {
    constexpr int cannot_run = 3;
    err << "s7host: " << reason << '\n';
    if (format) {
        const auto report = failure_report(header, reason);
        const exposition_context metrics{identity_of(report), nullptr, nullptr, std::nullopt,
                                         std::string(failure_reason::cannot_run)};
        write_report(report, *format, {}, out, &metrics);
        out.flush();
    }
    return cannot_run;
}

int run_host(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
             const interruption& stop, const clock_function& now) {
    try {
        return run(parse_command_line(arguments), out, err, stop, now);
    } catch (const std::exception& error) {  // usage, module and settings errors say what to change
        // The arguments may not form a command: the result says what they show of it.
        const auto outline = outline_arguments(arguments);
        const auto header = report_header(nullptr, outline.kind.value_or("s7host"), outline.is_check,
                                          outline.id, outline.assignments, now());
        return report_failure(header, error.what(), outline.format, out, err);
    }
}

}  // namespace korvel::probekit::host
