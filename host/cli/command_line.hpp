#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "host/cli/setting_assignments.hpp"

namespace korvel::probekit::host {

struct global_options {
    std::optional<std::filesystem::path> module_path;  // none: the module of the build layout
    std::string language = "English";
    std::optional<std::filesystem::path> log_directory;
    std::filesystem::path state_file = "s7host-state.json";
};

struct info_options {};

struct demo_options {};

struct scan_options {
    std::string kind;
    int id = 1;
    std::vector<setting_assignment> assignments;  // --host, --set, --settings and --interval, in order
    int count = 1;
    bool raw_json = false;
};

struct check_options {
    std::string kind;
    int id = 1;
    std::vector<setting_assignment> assignments;
};

struct command_line {
    global_options global;
    std::variant<info_options, scan_options, check_options, demo_options> command;
};

// Throws usage_error when the arguments do not form a command.
command_line parse_command_line(const std::vector<std::string>& arguments);

std::string usage_text();

}  // namespace korvel::probekit::host
