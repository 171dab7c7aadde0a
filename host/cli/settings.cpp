#include "host/cli/settings.hpp"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>

#include "host/cli/state_store.hpp"
#include "host/cli/translation.hpp"

namespace korvel::probekit::host {
namespace {

// The settings that identify the controller, by key, where a kind has them: the S7 connection's
// port, rack and slot, and the Web API's port.
const std::vector<std::string> target_keys{"connection_section.port", "connection_section.rack",
                                           "connection_section.slot", "s7web_credentials_section.port"};

constexpr std::int64_t longest_timeout_seconds = 86400;
// A password or key file; anything longer is not one.
constexpr std::uintmax_t largest_setting_file = 64 * 1024;

std::pair<std::string, std::string> split_assignment(std::string_view text, std::string_view option,
                                                     std::string_view value_name) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw settings_error(std::string(option) + " expects KEY=" + std::string(value_name) + ", not \"" +
                             std::string(text) + "\"");
    }
    return {std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

// The descriptor marks the shared proxy section only in its title; the host configures it itself.
bool is_invisible_section(const std::string& display) {
    return display.find("invisible") != std::string::npos;
}

setting_description base_setting(std::string key, std::string display, setting_kind kind,
                                 std::optional<std::string> default_value) {
    setting_description setting;
    setting.key = std::move(key);
    setting.display = std::move(display);
    setting.kind = kind;
    setting.default_value = std::move(default_value);
    return setting;
}

std::optional<std::int64_t> limit(const json& integer, const char* is_set, const char* value) {
    if (!integer.value(is_set, false)) return std::nullopt;
    return integer.at(value).get<std::int64_t>();
}

setting_description describe(const json& setting, const std::string& section,
                             const std::string& section_display, const std::string& group) {
    setting_description description;
    const std::string name = setting.at("Name").get<std::string>();
    description.key = section + "." + name;
    description.section = section;
    description.section_display = section_display;
    description.group = group;
    description.display = setting.value("Display", name);
    if (setting.contains("Default")) description.default_value = setting.at("Default").get<std::string>();
    if (setting.contains("IntegerSigned")) {
        const auto& integer = setting.at("IntegerSigned");
        description.kind = setting_kind::integer;
        description.minimum = limit(integer, "IsMinimumSet", "Minimum");
        description.maximum = limit(integer, "IsMaximumSet", "Maximum");
    } else if (setting.contains("Selection")) {
        description.kind = setting_kind::selection;
        for (const auto& option : setting.at("Selection").at("Options")) {
            description.options.push_back(
                {option.at("Value").get<std::string>(), option.value("Display", "")});
        }
    } else if (setting.contains("Text") && setting.at("Text").contains("Security")) {
        description.kind = setting_kind::secure_text;
    }
    const auto flags = setting.value("Flags", json::array());
    description.required = std::ranges::find(flags, json("SettingFlagRequired")) != flags.end();
    return description;
}

const json* section_names(const json& descriptor, const std::string& kind) {
    if (descriptor.at("Sensors").contains(kind))
        return &descriptor.at("Sensors").at(kind).at("Settings").at("Sections");
    if (descriptor.at("Checks").contains(kind)) return &descriptor.at("Checks").at(kind).at("Sections");
    return nullptr;
}

// Edits (insert, delete, replace, swap two neighbours) that turn one text into the other.
std::size_t edit_distance(std::string_view from, std::string_view to) {
    const std::size_t columns = to.size() + 1;
    std::vector<std::size_t> before(columns), previous(columns), current(columns);
    for (std::size_t j = 0; j < columns; ++j) previous[j] = j;
    for (std::size_t i = 1; i <= from.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j < columns; ++j) {
            const std::size_t replace = previous[j - 1] + (from[i - 1] == to[j - 1] ? 0 : 1);
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, replace});
            if (i > 1 && j > 1 && from[i - 1] == to[j - 2] && from[i - 2] == to[j - 1])
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        before = previous;
        previous = current;
    }
    return previous[to.size()];
}

std::string quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string origin_suffix(const setting_assignment& assignment) {
    return assignment.origin.empty() ? "" : " (from " + assignment.origin + ")";
}

class settings_checker {
public:
    settings_checker(const std::string& kind, const std::vector<setting_description>& settings,
                     const translator& texts)
        : kind_(kind), settings_(settings), texts_(texts) {}

    const setting_description& setting_for(const setting_assignment& assignment) const {
        if (assignment.by_name) return by_name(assignment);
        const auto found = std::ranges::find(settings_, assignment.key, &setting_description::key);
        if (found != settings_.end()) return *found;
        std::vector<std::string> keys;
        for (const auto& setting : settings_) keys.push_back(setting.key);
        throw settings_error("unknown setting " + quoted(assignment.key) + origin_suffix(assignment) +
                             " for " + kind_ + did_you_mean(assignment.key, keys) + " (s7host info " + kind_ +
                             " lists its settings)");
    }

    // The text a setting goes into the block with; throws when the setting cannot take it.
    void check(const setting_description& setting, const std::string& value) const {
        if (value.empty()) {
            if (setting.required) missing(setting);
            return;
        }
        if (setting.kind == setting_kind::integer) check_integer(setting, value);
        if (setting.kind == setting_kind::selection &&
            std::ranges::find(setting.options, value, &setting_option::value) == setting.options.end()) {
            reject(setting, quoted(value) + " is not one of its values");
        }
    }

    [[noreturn]] void missing(const setting_description& setting) const {
        std::string text = name_of(setting) + " is required and has no default: give it with --set " +
                           setting.key + "=VALUE";
        const std::string allowed = setting.allowed(texts_);
        throw settings_error(allowed.empty() ? text : text + " (" + allowed + ")");
    }

private:
    const setting_description& by_name(const setting_assignment& assignment) const {
        std::vector<const setting_description*> matches;
        for (const auto& setting : settings_) {
            if (setting.name() == assignment.key &&
                std::ranges::find(target_keys, setting.key) != target_keys.end())
                matches.push_back(&setting);
        }
        if (matches.size() == 1) return *matches.front();
        if (matches.empty())
            throw settings_error(assignment.origin + ": " + kind_ + " has no " + assignment.key + " setting");
        std::string keys;
        for (const auto* match : matches) keys += (keys.empty() ? "" : ", ") + match->key;
        throw settings_error(assignment.origin + " is ambiguous for " + kind_ + " (" + keys +
                             "): use --set KEY=VALUE");
    }

    void check_integer(const setting_description& setting, const std::string& value) const {
        std::int64_t number = 0;
        const char* end = value.data() + value.size();
        const auto [stop, error] = std::from_chars(value.data(), end, number);
        if (error != std::errc() || stop != end) reject(setting, quoted(value) + " is not a whole number");
        if ((setting.minimum && number < *setting.minimum) || (setting.maximum && number > *setting.maximum))
            reject(setting, value + " is out of range");
    }

    [[noreturn]] void reject(const setting_description& setting, const std::string& problem) const {
        throw settings_error(name_of(setting) + ": " + problem + "; allowed: " + setting.allowed(texts_));
    }

    std::string name_of(const setting_description& setting) const {
        return "Setting " + quoted(setting.label(texts_)) + " (" + setting.key + ")";
    }

    const std::string& kind_;
    const std::vector<setting_description>& settings_;
    const translator& texts_;
};

}  // namespace

std::string setting_description::name() const {
    return key.substr(key.rfind('.') + 1);
}

std::string setting_description::text_key() const {
    return group.empty() ? std::string() : group + "." + name();
}

std::string setting_description::label(const translator& texts) const {
    return group.empty() ? display : texts.text(text_key() + ".display", display);
}

std::string setting_description::allowed(const translator& texts) const {
    if (kind == setting_kind::selection) {
        std::string text;
        for (const auto& option : options) {
            const std::string shown =
                text_key().empty() ? option.display
                                   : texts.text(text_key() + ".option." + option.value, option.display);
            text += (text.empty() ? "" : ", ") + option.value + (shown.empty() ? "" : " (" + shown + ")");
        }
        return text;
    }
    if (kind != setting_kind::integer) return std::string();
    if (minimum && maximum) return std::to_string(*minimum) + " to " + std::to_string(*maximum);
    if (minimum) return "a whole number of at least " + std::to_string(*minimum);
    if (maximum) return "a whole number of at most " + std::to_string(*maximum);
    return "a whole number";
}

std::vector<setting_description> base_settings() {
    auto host = base_setting("host", "Host", setting_kind::text, "127.0.0.1");
    host.required = true;
    // Below the 60 s after which a monitoring host commonly kills a check.
    auto timeout = base_setting("timeout", "Timeout", setting_kind::integer, "30");
    timeout.required = true;
    timeout.minimum = 1;
    timeout.maximum = longest_timeout_seconds;
    auto interval = base_setting("interval", "Interval", setting_kind::integer, "60");
    interval.minimum = 0;  // s7host pauses that many seconds between scans
    auto logging = base_setting("logging", "Logging", setting_kind::selection, "disabled");
    logging.options = {{"disabled", ""}, {"enabled", ""}};
    auto ip_version = base_setting("ipversion", "IP Version", setting_kind::selection, "IPv4");
    ip_version.options = {{"IPv4", ""}, {"IPv6", ""}, {"0", "IPv4"}, {"1", "IPv6"}};
    auto api_key = base_setting("korvelcloudapikey", "API Key", setting_kind::secure_text, std::nullopt);
    api_key.hidden = true;  // the monitoring host's own key, passed through unchanged
    return {std::move(host),    std::move(timeout),    std::move(interval),
            std::move(logging), std::move(ip_version), std::move(api_key)};
}

std::vector<setting_description> settings_of_kind(const json& descriptor, const std::string& kind) {
    const json* sections = section_names(descriptor, kind);
    if (sections == nullptr) return {};
    auto settings = base_settings();
    for (const auto& section_name : *sections) {
        const std::string section = section_name.get<std::string>();
        const auto& section_entry = descriptor.at("Sections").at(section);
        const std::string section_display = section_entry.value("Display", section);
        for (const auto& group_name : section_entry.at("Groups")) {
            const std::string group = group_name.get<std::string>();
            for (const auto& item : descriptor.at("Groups").at(group).at("Items")) {
                settings.push_back(describe(item.at("Setting"), section, section_display, group));
                settings.back().hidden = is_invisible_section(section_display);
            }
        }
    }
    return settings;
}

setting_assignment parse_assignment(std::string_view text) {
    auto [key, value] = split_assignment(text, "--set", "VALUE (section.setting=value)");
    return {std::move(key), std::move(value), "--set"};
}

setting_assignment setting_from_file(std::string_view text) {
    auto [key, path] = split_assignment(text, "--set-file", "PATH");
    const std::string origin = "--set-file " + path;
    std::ifstream in(path, std::ios::binary);
    if (!in) throw settings_error(origin + ": cannot read the file");
    std::string value;
    value.resize(largest_setting_file + 1);
    in.read(value.data(), static_cast<std::streamsize>(value.size()));
    value.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) throw settings_error(origin + ": cannot read the file");
    if (value.size() > largest_setting_file) throw settings_error(origin + ": larger than 64 KiB");
    if (value.ends_with('\n')) value.pop_back();
    if (value.ends_with('\r')) value.pop_back();
    return {std::move(key), std::move(value), origin};
}

setting_assignment setting_from_environment(std::string_view text,
                                            const std::function<const char*(const char*)>& variable) {
    auto [key, name] = split_assignment(text, "--set-env", "VARIABLE");
    const char* value = variable(name.c_str());
    if (value == nullptr)
        throw settings_error("--set-env " + std::string(text) + ": " + name + " is not set");
    return {std::move(key), value, "--set-env " + name};
}

std::vector<setting_assignment> read_settings_file(const std::filesystem::path& file) {
    const std::string origin = "--settings " + file.string();
    std::ifstream in(file);
    if (!in) throw settings_error(origin + ": cannot read the file");
    const json document = json::parse(in, nullptr, false);
    if (!document.is_object()) throw settings_error(origin + ": expected a JSON object of settings");
    std::vector<setting_assignment> assignments;
    for (const auto& [key, value] : document.items()) {
        if (value.is_string()) {
            assignments.push_back({key, value.get<std::string>(), origin});
        } else if (value.is_number_integer()) {
            assignments.push_back({key, value.dump(), origin});
        } else {
            throw settings_error(origin + ": the value of \"" + key + "\" must be a string or an integer");
        }
    }
    return assignments;
}

std::vector<std::string> closest_keys(std::string_view unknown, const std::vector<std::string>& keys) {
    // A key given without its section ("rack") is compared with the setting's own name as well, and
    // the start of a key ("--state" of "--state-dir") counts as nearly right.
    std::vector<std::pair<std::size_t, std::string>> scored;
    for (const auto& key : keys) {
        const std::string_view name = std::string_view(key).substr(key.rfind('.') + 1);
        const bool begins = unknown.size() >= 3 && key.starts_with(unknown);
        scored.emplace_back(begins ? 1 : std::min(edit_distance(unknown, key), edit_distance(unknown, name)),
                            key);
    }
    const std::size_t close_enough = std::max<std::size_t>(2, unknown.size() / 4);
    std::ranges::stable_sort(scored, {}, &std::pair<std::size_t, std::string>::first);
    std::vector<std::string> closest;
    for (const auto& [distance, key] : scored) {
        if (distance > close_enough || closest.size() == 3 || distance > scored.front().first) break;
        closest.push_back(key);
    }
    return closest;
}

std::string did_you_mean(std::string_view unknown, const std::vector<std::string>& keys) {
    std::string text;
    for (const auto& key : closest_keys(unknown, keys))
        text += (text.empty() ? "; did you mean " : " or ") + key;
    return text.empty() ? text : text + "?";
}

resolved_settings::resolved_settings(const std::string& kind,
                                     const std::vector<setting_description>& settings,
                                     const std::vector<setting_assignment>& assignments,
                                     const translator& texts) {
    const settings_checker checker(kind, settings, texts);
    std::map<std::string, const setting_assignment*> given;
    for (const auto& assignment : assignments) given[checker.setting_for(assignment).key] = &assignment;
    for (const auto& setting : settings) {
        const auto user_value = given.find(setting.key);
        const std::optional<std::string> value =
            user_value != given.end() ? std::optional(user_value->second->value) : setting.default_value;
        if (!value) {
            if (setting.required) checker.missing(setting);
            continue;
        }
        checker.check(setting, *value);
        values_[setting.key] = *value;
        if (setting.kind != setting_kind::secure_text) continue;
        secure_.insert(setting.key);
        if (user_value != given.end() && user_value->second->on_command_line && !value->empty())
            exposed_.push_back(setting.key);
    }
}

std::optional<std::string> resolved_settings::value(const std::string& key) const {
    const auto found = values_.find(key);
    if (found == values_.end()) return std::nullopt;
    return found->get<std::string>();
}

std::int64_t resolved_settings::integer(const std::string& key) const {
    const auto text = value(key);
    std::int64_t number = 0;
    if (text) std::from_chars(text->data(), text->data() + text->size(), number);
    return number;
}

std::vector<target_setting> target_of(const resolved_settings& settings) {
    std::vector<target_setting> target{{"host", "host", settings.value("host").value_or("")}};
    for (const auto& key : target_keys) {
        if (const auto value = settings.value(key))
            target.push_back({key, key.substr(key.rfind('.') + 1), *value});
    }
    // Two settings of one short name (two ports, say) keep their keys apart.
    std::map<std::string, int> uses;
    for (const auto& setting : target) ++uses[setting.name];
    for (auto& setting : target) {
        if (uses[setting.name] > 1) setting.name = setting.key;
    }
    return target;
}

std::vector<target_setting> given_target(const std::vector<setting_assignment>& assignments) {
    std::vector<target_setting> target{{"host", "host", "127.0.0.1"}};
    for (const std::string name : {"port", "rack", "slot"}) target.push_back({name, name, ""});
    for (const auto& assignment : assignments) {
        const std::string name = assignment.by_name ? assignment.key
                                 : std::ranges::find(target_keys, assignment.key) != target_keys.end()
                                     ? assignment.key.substr(assignment.key.rfind('.') + 1)
                                     : assignment.key;
        const auto found = std::ranges::find(target, name, &target_setting::name);
        if (found != target.end()) found->value = assignment.value;
    }
    std::erase_if(target, [](const target_setting& setting) { return setting.value.empty(); });
    return target;
}

json settings_block(const std::string& kind, const resolved_settings& settings, const sensor_record* sensor) {
    json block = {
        {"kind", kind}, {"settings", settings.values()}, {"secure_settings", settings.secure_keys()}};
    if (sensor != nullptr) {
        json channels = json::object();
        for (const auto& [id, channel] : sensor->channels) channels[std::to_string(id)] = channel.name;
        block["channels"] = std::move(channels);
        block["persistent_data"] = sensor->persistent_data;
    }
    return block;
}

}  // namespace korvel::probekit::host
