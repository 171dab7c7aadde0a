#pragma once

// serve's configuration file (YAML): the targets (PLCs) and the profiles (a sensor kind with its
// settings) that /probe names. Secrets are never in it: a password is named by the file or the
// environment variable that holds it.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace korvel::probekit::host {

// The file cannot be used; the text names the file, the line and what is wrong.
class config_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Settings by key, as `s7host info KIND` lists them; values as text.
using setting_values = std::map<std::string, std::string>;

struct target_entry {
    std::string host;
    std::optional<std::string> port;  // the kind's port: S7 or Web API
    std::optional<std::string> rack;
    std::optional<std::string> slot;
    std::optional<std::string> username;       // Web API
    std::optional<std::string> password_file;  // Web API: the file holding the password
    std::optional<std::string> password_env;   // ... or the environment variable
    setting_values settings;                   // applied to the kinds that have them

    bool operator==(const target_entry&) const = default;
};

struct profile_entry {
    std::string kind;
    setting_values settings;     // each one a setting of the kind
    std::chrono::seconds hold{0};  // how long a channel's warning or error is reported after the scan that saw it

    bool operator==(const profile_entry&) const = default;
};

struct exporter_config {
    std::map<std::string, target_entry> targets;
    std::map<std::string, profile_entry> profiles;
};

// Reads and checks the file's structure; the kinds and setting keys are checked by the caller, who
// knows the module.
exporter_config load_exporter_config(const std::filesystem::path& file);

// The same from text, `origin` naming it in errors.
exporter_config parse_exporter_config(const std::string& text, const std::string& origin);

}  // namespace korvel::probekit::host
