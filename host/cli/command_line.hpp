#pragma once

// s7host's command line: the commands, their options (accepted before or after the command, as
// "--option value" or "--option=value"), and the help texts.

#include <chrono>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/cli/output_formats.hpp"
#include "host/cli/plugin_range.hpp"
#include "host/cli/settings.hpp"

namespace korvel::probekit::host {

// The command line cannot be carried out as given; the text says why and where to look.
class usage_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class command { help, version, list, info, scan, check, demo, serve };

// Where serve listens unless --listen says otherwise.
inline constexpr const char* default_listen_address = "127.0.0.1:9847";

struct command_line {
    command chosen = command::help;
    std::optional<command> help_topic;                 // help: the command asked about; none for the overview
    std::optional<std::string> kind;                   // info, scan, check: the sensor or check kind
    std::optional<std::filesystem::path> module_path;  // none: the module of the build layout
    std::optional<std::string> language;               // none: from the environment
    std::optional<std::filesystem::path> log_directory;
    std::optional<std::filesystem::path> state_directory;  // none: the default state directory
    output_format format = output_format::text;
    bool format_given = false;  // --format or --json: a failure is written in that format on stdout too
    int id = 1;
    std::vector<setting_assignment> assignments;  // --host, --port, --set, --settings, ... in order
    int count = 1;                                // scan: 0 runs until interrupted
    std::string listen = default_listen_address;  // serve
    std::optional<std::filesystem::path> config_file;  // serve: targets and profiles
    int most_sensors = 10000;                          // serve: sensor instances kept at most
    severity failed_scan_state = severity::error;  // --error-state: a scan that could not read the PLC
    std::vector<channel_threshold> thresholds;     // -w and -c in command-line order
    std::chrono::seconds hold{0};                  // --hold: how long a channel's problem is reported
    int verbosity = 0;                             // -v: the module's log on stderr
    bool all_settings = false;                     // info --all: hidden settings too
};

// Throws usage_error when the arguments do not form a command.
command_line parse_command_line(const std::vector<std::string>& arguments);

// What a failure's result can say about arguments that may not form a command: the format asked for
// anywhere in them, and the kind, id and settings as far as they can be read.
struct argument_outline {
    std::optional<output_format> format;
    std::optional<std::string> kind;
    bool is_check = false;
    int id = 1;
    std::vector<setting_assignment> assignments;
};

argument_outline outline_arguments(const std::vector<std::string>& arguments);

// "15m", "90s", "1h30m", "2d" or a number of seconds; throws usage_error naming the option.
std::chrono::seconds parse_duration(const std::string& option, const std::string& text);

// The overview of all commands; what `s7host help` and `s7host --help` print.
std::string usage_text();

// One command's help: what it does, its operands and options.
std::string help_text(command topic);

}  // namespace korvel::probekit::host
