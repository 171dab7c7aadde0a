#include "host/cli/command_line.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <string_view>

#include "host/cli/translation.hpp"

namespace korvel::probekit::host {
namespace {

struct command_entry {
    command value;
    std::string_view name;
    std::string_view operands;
    std::string_view summary;
};

const std::array<command_entry, 8> commands{{
    {command::help, "help", "[COMMAND]", "this overview, or one command's options"},
    {command::version, "version", "", "versions of s7host, the module, its API level, snap7 and libcurl"},
    {command::list, "list", "", "the module's sensor kinds and checks, one line each"},
    {command::info, "info", "[KIND]", "the module with all kinds, or one kind's settings and channels"},
    {command::scan, "scan", "KIND", "creates a sensor, scans it --count times, keeps its state"},
    {command::check, "check", "KIND", "runs a check once"},
    {command::demo, "demo", "",
     "every sensor and the check against a simulated S7-300 CPU and S7-1500 Web API started in this process"},
    {command::serve, "serve", "",
     "a Prometheus exporter: scans on each scrape of /probe, keeping sensors, links and sessions"},
}};

constexpr unsigned bit(command value) {
    return 1u << static_cast<unsigned>(value);
}

constexpr unsigned loads_module = bit(command::version) | bit(command::list) | bit(command::info) |
                                  bit(command::scan) | bit(command::check) | bit(command::demo) |
                                  bit(command::serve);
constexpr unsigned runs_sensors = bit(command::scan) | bit(command::check) | bit(command::demo);
constexpr unsigned takes_id = bit(command::scan) | bit(command::check);
// info takes settings too: a sensor may announce other channels with other settings.
constexpr unsigned takes_settings = takes_id | bit(command::info);
constexpr unsigned any_command = ~0u;

enum class option_id {
    help,
    verbose,
    version,
    module,
    lang,
    log_dir,
    state_dir,
    format,
    json,
    id,
    host,
    port,
    rack,
    slot,
    set,
    settings,
    count,
    interval,
    timeout,
    warning,
    critical,
    hold,
    error_state,
    set_file,
    set_env,
    all,
    listen,
    config,
    max_sensors
};

struct option_entry {
    option_id id;
    std::string_view name;
    char short_name;         // 0: none
    std::string_view value;  // empty: a flag
    unsigned commands;
    std::string_view help;
};

const std::array<option_entry, 29> option_table{{
    {option_id::help, "--help", 'h', "", any_command, "this help"},
    {option_id::version, "--version", 0, "", any_command, "the versions, as the version command"},
    {option_id::module, "--module", 0, "PATH", loads_module,
     "the module library (default: ../module/libs7module.so beside s7host, else ../lib/s7host/libs7module.so)"},
    {option_id::lang, "--lang", 0, "LANGUAGE", loads_module,
     "the texts in one of these languages, by name or code (default: from LC_ALL, LC_MESSAGES or LANG): "},
    {option_id::verbose, "--verbose", 'v', "", runs_sensors,
     "the sensor's log on stderr (it sets logging=enabled); -vv: the module's runtime log too"},
    {option_id::log_dir, "--log-dir", 0, "DIR", runs_sensors,
     "append the module's runtime log and each sensor's log there"},
    {option_id::state_dir, "--state-dir", 0, "DIR", runs_sensors | bit(command::serve),
     "where each sensor's state is kept (default: $XDG_STATE_HOME/s7host, else ~/.local/state/s7host, "
     "else a folder of the user's in the temporary directory); a check keeps none"},
    {option_id::format, "--format", 0, "FORMAT", runs_sensors | bit(command::info) | bit(command::list),
     "text (default), nagios, json, openmetrics or prometheus (the classic text format, for textfiles); "
     "info and list: text or json"},
    {option_id::json, "--json", 0, "", runs_sensors | bit(command::info) | bit(command::list),
     "the same as --format json"},
    {option_id::id, "--id", 0, "N", takes_id,
     "the sensor's or check's id (default 1); part of the state's key"},
    {option_id::host, "--host", 'H', "HOST", takes_settings,
     "the controller's address (the setting host, default 127.0.0.1)"},
    {option_id::port, "--port", 'p', "N", takes_settings, "the kind's port setting (S7 or Web API)"},
    {option_id::rack, "--rack", 0, "N", takes_settings, "the setting connection_section.rack"},
    {option_id::slot, "--slot", 0, "N", takes_settings, "the setting connection_section.slot"},
    {option_id::timeout, "--timeout", 't', "SECONDS", takes_settings,
     "how long a scan or check may take (the setting timeout, default 30)"},
    {option_id::set, "--set", 0, "KEY=VALUE", takes_settings,
     "one setting, as `s7host info KIND` lists them; repeatable"},
    {option_id::set_file, "--set-file", 0, "KEY=PATH", takes_settings,
     "one setting from a file (a trailing line feed dropped): for passwords, which --set shows to `ps`"},
    {option_id::set_env, "--set-env", 0, "KEY=VARIABLE", takes_settings,
     "one setting from an environment variable"},
    {option_id::settings, "--settings", 0, "FILE", takes_settings,
     "settings from a JSON object of KEY: VALUE (and \"hold\": DURATION)"},
    {option_id::warning, "--warning", 'w', "CHANNEL=RANGE", bit(command::scan) | bit(command::info),
     "warning when the channel's value is outside RANGE (10, 10:, ~:10, 10:20; @10:20 inside), instead "
     "of the module's warning limits; CHANNEL: its name as the performance data label it, or its key"},
    {option_id::critical, "--critical", 'c', "CHANNEL=RANGE", bit(command::scan) | bit(command::info),
     "the same for the error state, instead of the module's error limit"},
    {option_id::hold, "--hold", 0, "DURATION", bit(command::scan),
     "a channel that turned warning or error is reported so for that long (15m, 1h, 90s), also by the "
     "runs that follow: no event is lost between two checks"},
    {option_id::error_state, "--error-state", 0, "STATE", bit(command::scan),
     "the state of a scan that could not read the controller: critical (default) or unknown"},
    {option_id::count, "--count", 0, "N", bit(command::scan),
     "scans to run (default 1; 0: until SIGINT or SIGTERM)"},
    {option_id::interval, "--interval", 0, "SECONDS", bit(command::scan),
     "pause between scans (the setting interval)"},
    {option_id::all, "--all", 0, "", bit(command::info),
     "also the settings the host keeps to itself (the invisible proxy section, the API key)"},
    {option_id::listen, "--listen", 0, "ADDRESS:PORT", bit(command::serve),
     "where to answer scrapes (default 127.0.0.1:9847; port 0: a free one, printed on the first line)"},
    {option_id::config, "--config", 0, "FILE", bit(command::serve),
     "targets and profiles (YAML; SIGHUP reads it again); without it, targets are HOST[:PORT] with &kind="},
    {option_id::max_sensors, "--max-sensors", 0, "N", bit(command::serve),
     "sensor instances kept at most (default 10000); a new one replaces the one scraped least recently"},
}};

// Settings a settings file or --set may give that are the host's own, not the module's.
constexpr std::string_view hold_setting = "hold";

constexpr std::int64_t longest_hold_seconds = 31LL * 24 * 3600;

const option_entry* find_option(std::string_view name) {
    const auto found = std::ranges::find(option_table, name, &option_entry::name);
    return found == option_table.end() ? nullptr : &*found;
}

const option_entry* find_short_option(char letter) {
    const auto found = std::ranges::find(option_table, letter, &option_entry::short_name);
    return letter == 0 || found == option_table.end() ? nullptr : &*found;
}

const command_entry& entry_of(command value) {
    return *std::ranges::find(commands, value, &command_entry::value);
}

std::string help_hint(command value) {
    return "s7host " + std::string(entry_of(value).name) + " --help";
}

std::string allowed_commands(unsigned mask) {
    std::string names;
    for (const auto& entry : commands) {
        if ((mask & bit(entry.value)) != 0 && entry.value != command::help)
            names += (names.empty() ? "" : ", ") + std::string(entry.name);
    }
    return names;
}

int integer_value(const option_entry& option, const std::string& text, int minimum) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < minimum) {
        throw usage_error(
            std::string(option.name) + " expects a whole number" +
            (minimum == std::numeric_limits<int>::min() ? "" : " of at least " + std::to_string(minimum)) +
            ", not \"" + text + "\"");
    }
    return value;
}

class parser {
public:
    explicit parser(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    command_line parse() {
        std::vector<std::string> operands;
        for (position_ = 0; position_ < arguments_.size(); ++position_) {
            const std::string& argument = arguments_[position_];
            if (argument.starts_with("--") && argument.size() > 2) {
                option(argument);
            } else if (argument.starts_with("-") && argument.size() > 1) {
                short_option(argument);
            } else if (!command_) {
                command_ = command_named(argument);
            } else {
                operands.push_back(argument);
            }
        }
        if (version_) return with_command(command::version, {});
        if (help_) {
            if (command_ == command::help) return help_on(operands);
            parsed_.help_topic = command_.value_or(command::help);
            if (parsed_.help_topic == command::help) parsed_.help_topic.reset();
            return with_command(command::help, {});
        }
        if (!command_) throw usage_error("no command given (s7host --help lists the commands)");
        if (*command_ == command::help) return help_on(operands);
        check_options_belong();
        return with_command(*command_, operands);
    }

    // Every option that can be read, the others skipped; the first two operands as command and kind.
    argument_outline outline() {
        std::vector<std::string> operands;
        for (position_ = 0; position_ < arguments_.size(); ++position_) {
            const std::string& argument = arguments_[position_];
            const option_entry* entry = nullptr;
            std::optional<std::string> value;
            if (argument.starts_with("--") && argument.size() > 2) {
                const std::size_t equals = argument.find('=');
                entry = find_option(argument.substr(0, equals));
                if (equals != std::string::npos) value = argument.substr(equals + 1);
            } else if (argument.starts_with("-") && argument.size() > 1) {
                entry = find_short_option(argument[1]);
                if (argument.size() > 2) value = argument.substr(2);
            } else {
                operands.push_back(argument);
                continue;
            }
            if (entry == nullptr || entry->value.empty()) continue;
            if (!value && position_ + 1 < arguments_.size()) value = arguments_[++position_];
            try {
                if (value) apply(*entry, *value);
            } catch (const std::exception&) {  // the failure being reported says what is wrong
            }
        }
        argument_outline outline;
        if (parsed_.format_given) outline.format = parsed_.format;
        const bool with_kind = operands.size() >= 2 && (operands[0] == "scan" || operands[0] == "check");
        if (with_kind) outline.kind = operands[1];
        outline.is_check = with_kind && operands[0] == "check";
        outline.id = parsed_.id;
        outline.assignments = parsed_.assignments;
        return outline;
    }

private:
    void option(const std::string& argument) {
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const option_entry* found = find_option(name);
        if (found == nullptr) {
            std::vector<std::string> names;
            for (const auto& entry : option_table) names.emplace_back(entry.name);
            throw usage_error("unknown option " + name + did_you_mean(name, names) +
                              " (s7host --help lists the options)");
        }
        const option_entry& entry = *found;
        given_.push_back(&entry);
        std::string value;
        if (entry.value.empty()) {
            if (equals != std::string::npos) throw usage_error(name + " takes no value");
        } else if (equals != std::string::npos) {
            value = argument.substr(equals + 1);
        } else if (position_ + 1 < arguments_.size()) {
            value = arguments_[++position_];
        } else {
            throw usage_error(name + " needs a value (" + std::string(entry.value) + ")");
        }
        apply(entry, value);
    }

    // -H HOST, -HHOST, -v, -vv: the plugin convention's short forms.
    void short_option(const std::string& argument) {
        const option_entry* entry = find_short_option(argument[1]);
        if (entry == nullptr)
            throw usage_error("unknown option " + argument.substr(0, 2) +
                              " (s7host --help lists the options)");
        given_.push_back(entry);
        if (entry->value.empty()) {
            if (argument.find_first_not_of(argument[1], 1) != std::string::npos)
                throw usage_error(argument.substr(0, 2) + " takes no value, not \"" + argument.substr(2) +
                                  "\"");
            for (std::size_t repeat = 1; repeat < argument.size(); ++repeat) apply(*entry, {});
        } else if (argument.size() > 2) {
            apply(*entry, argument.substr(2));
        } else if (position_ + 1 < arguments_.size()) {
            apply(*entry, arguments_[++position_]);
        } else {
            throw usage_error(argument + " needs a value (" + std::string(entry->value) + ")");
        }
    }

    // A host setting goes to the host; the rest to the module, in order.
    void assign(setting_assignment assignment) {
        if (assignment.key == hold_setting) {
            parsed_.hold = parse_duration(assignment.origin, assignment.value);
            return;
        }
        parsed_.assignments.push_back(std::move(assignment));
    }

    void threshold(threshold_level level, const std::string& value) {
        try {
            parsed_.thresholds.push_back(parse_channel_threshold(level, value));
        } catch (const range_error& error) {
            throw usage_error(error.what());
        }
    }

    void apply(const option_entry& entry, const std::string& value) {
        switch (entry.id) {
            case option_id::help:
                help_ = true;
                return;
            case option_id::verbose:
                // The sensor logs only while its logging is on; a later --set logging=... still wins.
                if (++parsed_.verbosity == 1)
                    parsed_.assignments.insert(parsed_.assignments.begin(), {"logging", "enabled", "-v"});
                return;
            case option_id::all:
                parsed_.all_settings = true;
                return;
            case option_id::version:
                version_ = true;
                return;
            case option_id::module:
                parsed_.module_path = value;
                return;
            case option_id::lang:
                parsed_.language = resolve_language(value);
                if (!parsed_.language)
                    throw usage_error("unknown language \"" + value + "\" (s7host --help lists them)");
                return;
            case option_id::log_dir:
                parsed_.log_directory = value;
                return;
            case option_id::state_dir:
                parsed_.state_directory = value;
                return;
            case option_id::format:
                set_format(value);
                parsed_.format_given = true;
                return;
            case option_id::json:
                parsed_.format = output_format::json_lines;
                parsed_.format_given = true;
                return;
            case option_id::id:
                parsed_.id = integer_value(entry, value, std::numeric_limits<int>::min());
                return;
            case option_id::host:
                parsed_.assignments.push_back({"host", value, "--host"});
                return;
            case option_id::port:
            case option_id::rack:
            case option_id::slot:
                parsed_.assignments.push_back(
                    {std::string(entry.name.substr(2)), value, std::string(entry.name), true});
                return;
            case option_id::timeout:
                parsed_.assignments.push_back(
                    {"timeout", std::to_string(integer_value(entry, value, 1)), "--timeout"});
                return;
            case option_id::set: {
                auto assignment = parse_assignment(value);
                assignment.on_command_line = true;
                assign(std::move(assignment));
                return;
            }
            case option_id::set_file:
                assign(setting_from_file(value));
                return;
            case option_id::set_env:
                assign(setting_from_environment(value, ::getenv));
                return;
            case option_id::settings:
                for (auto& assignment : read_settings_file(value)) assign(std::move(assignment));
                return;
            case option_id::warning:
                threshold(threshold_level::warning, value);
                return;
            case option_id::critical:
                threshold(threshold_level::critical, value);
                return;
            case option_id::hold:
                parsed_.hold = parse_duration("--hold", value);
                return;
            case option_id::error_state:
                if (value != "critical" && value != "unknown")
                    throw usage_error("--error-state expects critical or unknown, not \"" + value + "\"");
                parsed_.failed_scan_state = value == "critical" ? severity::error : severity::unknown;
                return;
            case option_id::count:
                parsed_.count = integer_value(entry, value, 0);
                return;
            case option_id::listen:
                parsed_.listen = value;
                return;
            case option_id::config:
                parsed_.config_file = value;
                return;
            case option_id::max_sensors:
                parsed_.most_sensors = integer_value(entry, value, 1);
                return;
            case option_id::interval:
                // The pause between scans is the sensor's interval setting, so the module knows it too.
                parsed_.assignments.push_back(
                    {"interval", std::to_string(integer_value(entry, value, 0)), "--interval"});
                return;
        }
    }

    void set_format(const std::string& value) {
        const auto format = output_format_named(value);
        if (!format)
            throw usage_error("--format expects text, nagios, json, openmetrics or prometheus, not \"" + value + "\"");
        parsed_.format = *format;
    }

    static command command_named(const std::string& name) {
        const auto found = std::ranges::find(commands, name, &command_entry::name);
        if (found != commands.end()) return found->value;
        std::vector<std::string> names;
        for (const auto& entry : commands) names.emplace_back(entry.name);
        throw usage_error("unknown command \"" + name + "\"" + did_you_mean(name, names) +
                          " (s7host --help lists the commands)");
    }

    // Every option belongs to some commands; say which when it is given to another.
    void check_options_belong() const {
        for (const auto* entry : given_) {
            if ((entry->commands & bit(*command_)) == 0) {
                throw usage_error(std::string(entry->name) + " is an option of " +
                                  allowed_commands(entry->commands) + ", not of " +
                                  std::string(entry_of(*command_).name) + " (" + help_hint(*command_) + ")");
            }
        }
        const bool table_only = *command_ == command::info || *command_ == command::list;
        if (table_only && parsed_.format != output_format::text &&
            parsed_.format != output_format::json_lines)
            throw usage_error(std::string(entry_of(*command_).name) + " writes text or json only");
    }

    command_line help_on(const std::vector<std::string>& operands) {
        if (operands.size() > 1) throw usage_error("help takes one command at most");
        if (!operands.empty()) parsed_.help_topic = command_named(operands.front());
        return with_command(command::help, {});
    }

    command_line with_command(command chosen, const std::vector<std::string>& operands) {
        parsed_.chosen = chosen;
        const auto& entry = entry_of(chosen);
        const bool takes_kind = !entry.operands.empty();
        const bool kind_required = entry.operands == "KIND";
        const std::string name(entry.name);
        if (operands.size() > (takes_kind ? 1u : 0u)) {
            throw usage_error(name +
                              (takes_kind ? " takes one kind, not also \"" + operands[1] + "\""
                                          : " takes no arguments, not \"" + operands[0] + "\"") +
                              " (" + help_hint(chosen) + ")");
        }
        if (kind_required && operands.empty())
            throw usage_error(name + " needs a kind (s7host list shows them; " + help_hint(chosen) + ")");
        if (!operands.empty()) parsed_.kind = operands.front();
        if (chosen == command::info && !parsed_.kind && !parsed_.assignments.empty())
            throw usage_error("info takes settings only with a KIND (" + help_hint(chosen) + ")");
        return parsed_;
    }

    const std::vector<std::string>& arguments_;
    std::size_t position_ = 0;
    std::optional<command> command_;
    std::vector<const option_entry*> given_;
    bool help_ = false;
    bool version_ = false;
    command_line parsed_;
};

std::string option_lines(unsigned mask) {
    std::string text;
    for (const auto& entry : option_table) {
        if ((entry.commands & mask) == 0) continue;
        std::string left =
            "  " + (entry.short_name == 0 ? "    " : "-" + std::string(1, entry.short_name) + ", ") +
            std::string(entry.name) + (entry.value.empty() ? "" : " " + std::string(entry.value));
        left.resize(std::max<std::size_t>(left.size() + 2, 30), ' ');
        text += left + std::string(entry.help) + (entry.id == option_id::lang ? language_list() : "") + "\n";
    }
    return text;
}

}  // namespace

command_line parse_command_line(const std::vector<std::string>& arguments) {
    return parser(arguments).parse();
}

argument_outline outline_arguments(const std::vector<std::string>& arguments) {
    return parser(arguments).outline();
}

std::chrono::seconds parse_duration(const std::string& option, const std::string& text) {
    const auto refuse = [&]() -> std::chrono::seconds {
        throw usage_error(option + " expects a duration such as 15m, 1h30m or 90s (at most 31d), not \"" +
                          text + "\"");
    };
    std::int64_t total = 0;
    const char* at = text.data();
    const char* end = text.data() + text.size();
    if (at == end) return refuse();
    while (at != end) {
        std::int64_t number = 0;
        const auto [stop, error] = std::from_chars(at, end, number);
        if (error != std::errc() || stop == at || number < 0 || number > longest_hold_seconds)
            return refuse();
        at = stop;
        std::int64_t unit = 1;
        if (at != end) {
            const std::string_view units = "smhd";
            const std::array<std::int64_t, 4> seconds{1, 60, 3600, 86400};
            const std::size_t found = units.find(*at);
            if (found == std::string_view::npos) return refuse();
            unit = seconds[found];
            ++at;
        } else if (total != 0) {
            return refuse();  // "1h30": a number after a unit needs its own unit
        }
        total += number * unit;
        if (total > longest_hold_seconds) return refuse();
    }
    return std::chrono::seconds(total);
}

std::string usage_text() {
    std::string text =
        "usage: s7host COMMAND [ARGUMENTS] [OPTIONS]   (options may come before or after the command)\n\n"
        "commands:\n";
    for (const auto& entry : commands) {
        std::string left = "  " + std::string(entry.name) +
                           (entry.operands.empty() ? "" : " " + std::string(entry.operands));
        left.resize(18, ' ');
        text += left + std::string(entry.summary) + "\n";
    }
    return text +
           "\n`s7host help COMMAND` or `s7host COMMAND --help` shows a command's options.\n"
           "exit status: 0 OK, 1 warning, 2 error, 3 unknown (also: the command could not run)\n";
}

std::string help_text(command topic) {
    if (topic == command::help) return usage_text();
    const auto& entry = entry_of(topic);
    std::string text = "usage: s7host " + std::string(entry.name) +
                       (entry.operands.empty() ? "" : " " + std::string(entry.operands)) + " [OPTIONS]\n" +
                       std::string(entry.summary) + "\n";
    if (topic == command::scan || topic == command::check) {
        text += std::string("KIND: a ") + (topic == command::scan ? "sensor kind" : "check") +
                " of `s7host list`; `s7host info KIND` lists its settings.\n";
    }
    if (topic == command::serve) {
        text +=
            "Answers GET /probe?target=NAME&profile=NAME with that sensor's scan as metrics (OpenMetrics when\n"
            "asked for, else the classic text format), /probe?target=HOST[:PORT]&kind=KIND&rack=0&slot=2 (any\n"
            "setting by its key; no secrets) with the kind's defaults, /metrics with the exporter's own metrics\n"
            "and /-/healthy. Each target and profile keeps one sensor between scrapes; a scan ends within the\n"
            "scrape's timeout (X-Prometheus-Scrape-Timeout-Seconds, default 10 s, less half a second).\n"
            "SIGHUP reloads the configuration; SIGINT or SIGTERM ends the exporter after the scrapes in progress.\n";
    }
    if (topic == command::scan) {
        text +=
            "The exit status is the state of the last scan; with --count 0, SIGINT or SIGTERM ends the run\n"
            "after the scan in progress.\n";
    }
    return text + "\noptions:\n" + option_lines(bit(topic));
}

}  // namespace korvel::probekit::host
