#pragma once

// s7host's commands and what they share: the loaded module with its descriptor and the user's
// language, the messages the module sends, and a request to stop that a signal can make.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>
#include <unordered_map>
#include <vector>

#include "host/cli/command_line.hpp"
#include "host/cli/json.hpp"
#include "host/cli/translation.hpp"
#include "host/harness/module_library.hpp"

namespace korvel::probekit::host {

// Set from another thread (the one that receives SIGINT and SIGTERM); a run finishes the scan in
// progress, writes it and saves the state, then ends instead of starting another.
class interruption {
public:
    void request();
    bool requested() const;
    // Waits that long or until requested; true when requested.
    bool wait_for(std::chrono::milliseconds duration) const;

    // SIGHUP: serve reads its configuration again. A run that takes no reloads (accept_reloads was
    // not called) takes one as a request to stop.
    void accept_reloads() const;  // const: the run, which sees the interruption as const, says so
    void request_reload();
    std::uint64_t reloads() const;

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool requested_ = false;
    mutable bool reloadable_ = false;
    std::uint64_t reloads_ = 0;
};

// The clock results are stamped and holds expire by; tests set the time.
using clock_function = std::function<std::chrono::system_clock::time_point()>;

// The loaded and initialised module, its descriptor, and the user's language.
class module_session {
public:
    module_session(const command_line& options, std::ostream& err);

    module_library& module() { return module_; }
    const std::filesystem::path& module_path() const { return path_; }
    const json& descriptor() const { return descriptor_; }
    const translator& texts() const { return texts_; }

    // The messages the module sent since the last call, parsed, in arrival order. Log messages are
    // written to the log directory (or dropped without one) and not returned: logs never reach
    // the output.
    std::vector<json> take_messages();

    // What the module last logged at emergency level for the sensor or check `id` since the last
    // call: a failed check's reason, which its result does not carry. Sent only while the check's
    // logging is enabled.
    std::optional<std::string> take_failure_reason(int id);

    // Where warnings that do not stop the run go (stderr).
    std::ostream& notices() const { return err_; }

    // The kind's name in the user's language: its Display for a sensor, the kind itself for a check.
    std::string kind_display(const std::string& kind) const;

private:
    void write_log(const json& message) const;

    std::filesystem::path path_;
    module_library module_;
    json descriptor_;
    translator texts_;
    std::optional<std::filesystem::path> log_directory_;
    int verbosity_;
    std::ostream& err_;
    std::unordered_map<int, std::string> failure_reasons_;
};

// The whole program for its arguments (without the program name): returns the exit status (0 OK,
// 1 warning, 2 error, 3 unknown).
int run_host(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
             const interruption& stop, const clock_function& now = std::chrono::system_clock::now);

// A run that cannot go on: the reason on stderr and, when the user chose a format, an unknown result
// in it on stdout, so a monitoring system shows why instead of nothing. Returns the exit status 3.
int report_failure(const sensor_report& header, const std::string& reason,
                   std::optional<output_format> format, std::ostream& out, std::ostream& err);

int version_command(module_session& session, std::ostream& out);
int list_command(module_session& session, const command_line& options, std::ostream& out);
int info_command(module_session& session, const command_line& options, std::ostream& out);
int scan_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                 const interruption& stop, const clock_function& now);
int serve_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                  const interruption& stop);
int check_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                  const clock_function& now);
int demo_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                 const interruption& stop, const clock_function& now);

// Why an export (the `call`: "creating the sensor", say) returned this code without a message of the
// module's own.
std::string export_failure_text(int code, const std::string& call, const std::string& kind, int id);

// The kind's settings; throws usage_error naming the closest kinds when the descriptor has no such
// sensor (want_sensor) or check.
std::vector<setting_description> settings_for(const module_session& session, const std::string& kind,
                                              bool want_sensor);

// A result's header before the settings are resolved: the kind, the id and the target as far as the
// assignments give it (all a failure's result can say).
sensor_report report_header(const module_session* session, const std::string& kind, bool is_check, int id,
                            const std::vector<setting_assignment>& assignments,
                            std::chrono::system_clock::time_point time);

}  // namespace korvel::probekit::host
