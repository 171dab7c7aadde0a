#include "host/cli/command_line.hpp"

#include <charconv>
#include <limits>

#include "host/cli/language_names.hpp"
#include "host/cli/usage_error.hpp"

namespace korvel::probekit::host {
namespace {

class argument_cursor {
public:
    explicit argument_cursor(const std::vector<std::string>& arguments) : arguments_(arguments) {}

    bool done() const { return position_ == arguments_.size(); }
    const std::string& peek() const { return arguments_[position_]; }
    const std::string& next() { return arguments_[position_++]; }
    const std::string& value_of(const std::string& option) {
        if (done()) throw usage_error(option + " needs a value");
        return next();
    }
    int integer_of(const std::string& option, int minimum) {
        const std::string& text = value_of(option);
        int value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end != text.data() + text.size() || value < minimum) {
            throw usage_error(option + " expects a whole number of at least " + std::to_string(minimum) +
                              ", not \"" + text + "\"");
        }
        return value;
    }

private:
    const std::vector<std::string>& arguments_;
    std::size_t position_ = 0;
};

bool is_option(const std::string& argument) {
    return argument.starts_with("--");
}

global_options parse_global_options(argument_cursor& cursor) {
    global_options options;
    while (!cursor.done() && is_option(cursor.peek())) {
        const std::string option = cursor.next();
        if (option == "--module") {
            options.module_path = cursor.value_of(option);
        } else if (option == "--lang") {
            const std::string& requested = cursor.value_of(option);
            const auto language = resolve_language(requested);
            if (!language) throw usage_error("unknown language \"" + requested + "\"");
            options.language = *language;
        } else if (option == "--log-dir") {
            options.log_directory = cursor.value_of(option);
        } else if (option == "--state") {
            options.state_file = cursor.value_of(option);
        } else {
            throw usage_error("unknown option " + option);
        }
    }
    return options;
}

// The options scan and check share; false when the option is not one of them.
bool parse_sensor_option(const std::string& option, argument_cursor& cursor, int& id,
                         std::vector<setting_assignment>& assignments) {
    if (option == "--id") {
        id = cursor.integer_of(option, std::numeric_limits<int>::min());
    } else if (option == "--host") {
        assignments.push_back({"host", cursor.value_of(option)});
    } else if (option == "--set") {
        assignments.push_back(parse_assignment(cursor.value_of(option)));
    } else if (option == "--settings") {
        const auto from_file = read_settings_file(cursor.value_of(option));
        assignments.insert(assignments.end(), from_file.begin(), from_file.end());
    } else {
        return false;
    }
    return true;
}

void set_kind(const std::string& command, std::string& kind, const std::string& argument) {
    if (!kind.empty()) throw usage_error(command + " takes one kind, not also \"" + argument + "\"");
    kind = argument;
}

bool parse_scan_only_option(const std::string& option, argument_cursor& cursor, scan_options& options) {
    if (option == "--count") {
        options.count = cursor.integer_of(option, 1);
    } else if (option == "--interval") {
        // The pause between scans is the sensor's interval setting, so the module knows it too.
        options.assignments.push_back({"interval", std::to_string(cursor.integer_of(option, 0))});
    } else if (option == "--json") {
        options.raw_json = true;
    } else {
        return false;
    }
    return true;
}

scan_options parse_scan(argument_cursor& cursor) {
    scan_options options;
    while (!cursor.done()) {
        const std::string argument = cursor.next();
        if (!is_option(argument)) {
            set_kind("scan", options.kind, argument);
        } else if (!parse_sensor_option(argument, cursor, options.id, options.assignments) &&
                   !parse_scan_only_option(argument, cursor, options)) {
            throw usage_error("unknown scan option " + argument);
        }
    }
    if (options.kind.empty()) throw usage_error("scan needs a sensor kind");
    return options;
}

check_options parse_check(argument_cursor& cursor) {
    check_options options;
    while (!cursor.done()) {
        const std::string argument = cursor.next();
        if (!is_option(argument)) {
            set_kind("check", options.kind, argument);
        } else if (!parse_sensor_option(argument, cursor, options.id, options.assignments)) {
            throw usage_error("unknown check option " + argument);
        }
    }
    if (options.kind.empty()) throw usage_error("check needs a check kind");
    return options;
}

}  // namespace

command_line parse_command_line(const std::vector<std::string>& arguments) {
    argument_cursor cursor(arguments);
    command_line parsed{parse_global_options(cursor), info_options{}};
    if (cursor.done()) throw usage_error("no command given");
    const std::string command = cursor.next();
    if (command == "info") {
        if (!cursor.done()) throw usage_error("info takes no arguments");
    } else if (command == "demo") {
        if (!cursor.done()) throw usage_error("demo takes no arguments");
        parsed.command = demo_options{};
    } else if (command == "scan") {
        parsed.command = parse_scan(cursor);
    } else if (command == "check") {
        parsed.command = parse_check(cursor);
    } else {
        throw usage_error("unknown command \"" + command + "\"");
    }
    return parsed;
}

std::string usage_text() {
    return "usage: s7host [--module PATH] [--lang LANGUAGE] [--log-dir DIR] [--state FILE] COMMAND ...\n"
           "commands:\n"
           "  info\n"
           "  demo      runs the S7-300/400 sensors against a simulated CPU started in this process\n"
           "  scan KIND [--id N] [--host H] [--set section.setting=value ...] [--settings FILE]\n"
           "            [--count N] [--interval SECONDS] [--json]\n"
           "  check KIND [--id N] [--host H] [--set section.setting=value ...] [--settings FILE]\n"
           "LANGUAGE: Russian, Brazilian, Dutch, Japanese, French, Spanish, English, German,\n"
           "          SimplifiedChinese, or ru, pt-BR, nl, ja, fr, es, en, de, zh-CN\n"
           "exit status: 0 OK, 1 warning, 2 error, 3 unknown\n";
}

}  // namespace korvel::probekit::host
