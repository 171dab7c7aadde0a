#pragma once

// A sensor's or check's settings as the host handles them: what the descriptor (and the protocol's
// base values) offer, what the user gave, checked against both before the module sees them, the
// settings that say which controller is meant, and the settings block sent to the module.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

class translator;
struct sensor_record;

// A setting the user gave cannot be used; the text names the setting and what it allows.
class settings_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class setting_kind { text, secure_text, integer, selection };

struct setting_option {
    std::string value;
    std::string display;  // English, from the descriptor
};

// One setting a sensor or check reads: a base value of the protocol, or a descriptor setting reached
// through a section and a group.
struct setting_description {
    std::string key;              // in the settings block: "host", or "<section>.<setting>"
    std::string section;          // empty for a base value
    std::string section_display;  // English, from the descriptor
    std::string group;
    std::string display;  // English
    setting_kind kind = setting_kind::text;
    std::optional<std::string> default_value;
    std::optional<std::int64_t> minimum;
    std::optional<std::int64_t> maximum;
    std::vector<setting_option> options;
    bool required = false;
    bool hidden = false;  // the host's own (the API key) or an invisible section's: info shows it with --all

    // The setting's own name, the last part of the key.
    std::string name() const;
    // Prefix of its keys in the Text table (".display", ".help", ".option.<value>"); empty for a
    // base value, which has none.
    std::string text_key() const;
    // Its label in the translator's language.
    std::string label(const translator& texts) const;
    // "0 to 7", "at least 1", "retry, noretry", ...: what it accepts, for errors and for info.
    std::string allowed(const translator& texts) const;
};

// The protocol's base values that every sensor and check reads, with the values s7host sends when
// the user gives none.
std::vector<setting_description> base_settings();

// The base values, then the settings of a sensor (its Settings.Sections) or a check (its Sections) in
// descriptor order; nothing when the descriptor has no sensor or check of that name.
std::vector<setting_description> settings_of_kind(const json& descriptor, const std::string& kind);

// One value the user gave; applied in command-line order, so a later one wins. A short option
// (--rack, --slot, --port) names the setting by its own name until the kind's settings are known.
struct setting_assignment {
    std::string key;
    std::string value;
    std::string origin;            // the option it came from, for errors: "--set", "--settings FILE", ...
    bool by_name = false;          // key is a setting's own name ("rack"), from a short option
    bool on_command_line = false;  // the value itself is in argv, where `ps` shows it to every user

    bool operator==(const setting_assignment&) const = default;
};

// "key=value" of --set; the value may be empty, the key not.
setting_assignment parse_assignment(std::string_view text);

// A JSON object of settings; integers are taken as their decimal text, since settings are strings.
std::vector<setting_assignment> read_settings_file(const std::filesystem::path& file);

// "key=path" of --set-file: the file's content without a trailing line feed.
setting_assignment setting_from_file(std::string_view text);

// "key=variable" of --set-env: the variable's value; the variable must be set.
setting_assignment setting_from_environment(std::string_view text,
                                            const std::function<const char*(const char*)>& variable);

// The known keys closest to a misspelled one, best first (at most three; none when nothing is close).
std::vector<std::string> closest_keys(std::string_view unknown, const std::vector<std::string>& keys);

// "; did you mean a or b?" with the closest keys, or nothing when none is close.
std::string did_you_mean(std::string_view unknown, const std::vector<std::string>& keys);

// The value of every setting after defaults and the user's assignments, checked against the
// descriptor: keys are known, integers whole and within their limits, selections one of their
// options, required settings present. Throws settings_error naming the setting and its range.
class resolved_settings {
public:
    resolved_settings(const std::string& kind, const std::vector<setting_description>& settings,
                      const std::vector<setting_assignment>& assignments, const translator& texts);

    const json& values() const { return values_; }  // key -> text, settings without a value left out
    std::optional<std::string> value(const std::string& key) const;
    std::int64_t integer(const std::string& key) const;  // a base integer, which always has a value
    const std::set<std::string>& secure_keys() const { return secure_; }
    // Secret settings whose value was typed on the command line.
    const std::vector<std::string>& exposed_secrets() const { return exposed_; }

private:
    json values_ = json::object();
    std::set<std::string> secure_;
    std::vector<std::string> exposed_;
};

// A setting that tells which controller a sensor watches.
struct target_setting {
    std::string key;
    std::string name;  // short: "host", "port", "rack", "slot"
    std::string value;

    bool operator==(const target_setting&) const = default;
};

// The host and, where the kind has them, the S7 port, rack and slot and the Web API port: two sensors
// of one kind and id with different targets are different sensors to the host.
std::vector<target_setting> target_of(const resolved_settings& settings);

// The target as far as assignments name it, for the result of a run whose settings could not be
// resolved: the labels a monitoring system knows the controller by.
std::vector<target_setting> given_target(const std::vector<setting_assignment>& assignments);

// The settings block as a monitoring host sends it: the values, the secret keys, and for a sensor
// the channels and persistent data the host holds (a check has neither: sensor null).
json settings_block(const std::string& kind, const resolved_settings& settings, const sensor_record* sensor);

}  // namespace korvel::probekit::host
