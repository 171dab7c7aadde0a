#include "host/cli/metric_exposition.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>

#include "host/cli/translation.hpp"

namespace korvel::probekit::host {
namespace {

enum class shape { gauge, counter, stateset };

// Which label tells a family's members apart, beside the fixed ones of a rule.
enum class member_label { none, led, module, module_and_hwid, channel };

// How one channel key becomes a family; the table below is docs/metrics.md's.
struct family_rule {
    std::string_view key;  // a key ending in "_0x" stands for every key with that prefix
    std::string family;
    shape kind = shape::gauge;
    double divisor = 1;  // 1000: milliseconds to seconds; 100: percent to a ratio
    std::string_view unit;
    std::string_view help;
    member_label member = member_label::none;
    metric_labels fixed{};
};

const std::vector<family_rule>& family_rules() {
    using enum shape;
    constexpr std::string_view cycle = "Program cycle time: the last cycle";
    constexpr std::string_view restarts_by_kind =
        "Restarts of the CPU counted from its diagnostic buffer, by trigger and kind";
    constexpr std::string_view program_load = "Program load of the CPU's organisation blocks (0 to 1)";
    constexpr std::string_view alarms_by_source = "Active alarms by source";
    static const std::vector<family_rule> rules{
        {"channel.cpu_status", "s7_cpu_status", stateset, 1, "", "Operating state of an S7-300/400 CPU"},
        {"channel.cycle_ratio", "s7_cycle_ratio", gauge, 100, "ratio",
         "Last OB1 cycle time as a share of the maximum cycle time set (0 to 1)"},
        {"channel.ob1_cycle_time_prev", "s7_cycle_time_seconds", gauge, 1000, "seconds", cycle},
        {"channel.current_cycle_time", "s7_cycle_time_seconds", gauge, 1000, "seconds", cycle},
        {"channel.ob1_cycle_time_min", "s7_cycle_time_min_seconds", gauge, 1000, "seconds",
         "Shortest program cycle time the CPU measured"},
        {"channel.shortest_cycle_time", "s7_cycle_time_min_seconds", gauge, 1000, "seconds",
         "Shortest program cycle time the CPU measured"},
        {"channel.ob1_cycle_time_max", "s7_cycle_time_max_seconds", gauge, 1000, "seconds",
         "Longest program cycle time the CPU measured"},
        {"channel.longest_cycle_time", "s7_cycle_time_max_seconds", gauge, 1000, "seconds",
         "Longest program cycle time the CPU measured"},
        {"channel.recent_cycle_time_status", "s7_cycle_time_events", stateset, 1, "",
         "Cycle-time events in the CPU's diagnostic buffer"},
        {"channel.led_number_0x", "s7_led", stateset, 1, "", "State of a front-panel LED of the CPU",
         member_label::led},
        {"channel.restart_state", "s7_restart_event", stateset, 1, "",
         "Newest restart event in the CPU's diagnostic buffer"},
        {"channel.total_restarts", "s7_restarts", counter, 1, "",
         "Restarts of the CPU counted from its diagnostic buffer, every kind"},
        {"channel.automatic_cold_restarts", "s7_restarts_by_kind", counter, 1, "", restarts_by_kind,
         member_label::none, {{"trigger", "automatic"}, {"restart", "cold"}}},
        {"channel.automatic_warm_restarts", "s7_restarts_by_kind", counter, 1, "", restarts_by_kind,
         member_label::none, {{"trigger", "automatic"}, {"restart", "warm"}}},
        {"channel.automatic_hot_restarts", "s7_restarts_by_kind", counter, 1, "", restarts_by_kind,
         member_label::none, {{"trigger", "automatic"}, {"restart", "hot"}}},
        {"channel.manual_cold_restarts", "s7_restarts_by_kind", counter, 1, "", restarts_by_kind,
         member_label::none, {{"trigger", "manual"}, {"restart", "cold"}}},
        {"channel.manual_warm_restarts", "s7_restarts_by_kind", counter, 1, "", restarts_by_kind,
         member_label::none, {{"trigger", "manual"}, {"restart", "warm"}}},
        {"channel.manual_hot_restarts", "s7_restarts_by_kind", counter, 1, "", restarts_by_kind,
         member_label::none, {{"trigger", "manual"}, {"restart", "hot"}}},
        {"channel.operating_mode", "s7_operating_mode", stateset, 1, "",
         "Operating mode of an S7-1200/1500 CPU (redundancy_id 2: the second CPU of an R/H system)",
         member_label::none, {{"redundancy_id", "1"}}},
        {"channel.operating_mode_r2", "s7_operating_mode", stateset, 1, "",
         "Operating mode of an S7-1200/1500 CPU (redundancy_id 2: the second CPU of an R/H system)",
         member_label::none, {{"redundancy_id", "2"}}},
        {"channel.mode_selector", "s7_mode_selector", stateset, 1, "",
         "Position of the CPU's mode selector", member_label::none, {{"redundancy_id", "1"}}},
        {"channel.mode_selector_r2", "s7_mode_selector", stateset, 1, "",
         "Position of the CPU's mode selector", member_label::none, {{"redundancy_id", "2"}}},
        {"channel.program_load_cyclic_percent", "s7_program_load_ratio", gauge, 100, "ratio", program_load,
         member_label::none, {{"obs", "cyclic"}}},
        {"channel.program_load_high_priority_percent", "s7_program_load_ratio", gauge, 100, "ratio",
         program_load, member_label::none, {{"obs", "high_priority"}}},
        {"channel.communication_load_percent", "s7_communication_load_ratio", gauge, 100, "ratio",
         "Communication load of the CPU (0 to 1)"},
        {"channel.communication_load_ratio_percent", "s7_communication_load_of_limit_ratio", gauge, 100, "ratio",
         "Communication load as a share of its configured maximum (0 to 1)"},
        {"channel.active_alarms_total", "s7_alarms_active", gauge, 1, "", "Active alarms"},
        {"channel.active_program_alarms", "s7_alarms_active_by_source", gauge, 1, "", alarms_by_source,
         member_label::none, {{"source", "program"}}},
        {"channel.active_system_alarms", "s7_alarms_active_by_source", gauge, 1, "", alarms_by_source,
         member_label::none, {{"source", "system_diagnostic"}}},
        {"channel.other_active_alarms", "s7_alarms_active_by_source", gauge, 1, "", alarms_by_source,
         member_label::none, {{"source", "other"}}},
        {"channel.unacknowledged_active_alarms", "s7_alarms_unacknowledged", gauge, 1, "",
         "Active alarms nobody has acknowledged"},
        {"channel.module_alarm_state", "s7_module_alarm_state", stateset, 1, "",
         "Alarm state of a hardware module", member_label::module},
        {"channel.hardware_device", "s7_hardware_status", stateset, 1, "",
         "Status of a hardware module or IO device", member_label::module_and_hwid},
        {"channel.hardware_fault_count", "s7_hardware_faults", gauge, 1, "",
         "Hardware modules and IO devices in a fault state"},
    };
    return rules;
}

std::string sanitised(std::string_view text) {
    std::string name;
    for (const char c : text) name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
    return name;
}

// A channel the table does not know still gets a gauge of its own, named after its key.
family_rule fallback_rule(const channel_report& channel) {
    constexpr std::string_view prefix = "channel.";
    std::string_view key = channel.key;
    if (key.starts_with(prefix)) key.remove_prefix(prefix.size());
    std::string family = "s7_" + sanitised(key.empty() ? "channel" : key);
    // Suffixes that mark a counter's, info's or histogram's samples would make a gauge ambiguous.
    for (const std::string_view suffix :
         {"_total", "_created", "_count", "_sum", "_bucket", "_info", "_gcount", "_gsum"}) {
        if (family.ends_with(suffix)) family += "_value";
    }
    // Its channels are told apart by their names, as the table's per-module families by the module.
    return {channel.key, family, shape::gauge, 1, "", "", member_label::channel, {}};
}

const family_rule* rule_for(std::string_view key) {
    for (const auto& rule : family_rules()) {
        if (rule.key.ends_with("_0x") ? key.starts_with(rule.key) : key == rule.key) return &rule;
    }
    return nullptr;
}

std::string escaped(std::string_view text, bool quotes) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '"' && quotes) out += "\\\"";
        else out.push_back(c);
    }
    return out;
}

// The shortest text that reads back as the same double; integers without a decimal point.
std::string sample_value_text(double value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "+Inf" : "-Inf";
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

class family_writer {
public:
    family_writer(exposition_format format, const metric_labels& identity, std::ostream& out)
        : format_(format), identity_(identity), out_(out) {}

    void header(std::string_view family, shape kind, std::string_view unit, std::string_view help) {
        const bool openmetrics = format_ == exposition_format::openmetrics;
        // The classic format names a counter by its sample and has no stateset: a gauge of 0 and 1.
        const std::string name = !openmetrics && kind == shape::counter ? std::string(family) + "_total"
                                                                        : std::string(family);
        const std::string_view type = kind == shape::counter ? "counter"
                                      : kind == shape::stateset && openmetrics ? "stateset"
                                                                               : "gauge";
        const std::string help_line = "# HELP " + name + " " + escaped(help, openmetrics) + "\n";
        if (!openmetrics) out_ << help_line;
        out_ << "# TYPE " << name << ' ' << type << '\n';
        if (openmetrics) {
            if (!unit.empty()) out_ << "# UNIT " << name << ' ' << unit << '\n';
            out_ << help_line;
        }
    }

    void sample(std::string_view name, const metric_labels& labels, double value) {
        out_ << name << '{';
        bool first = true;
        for (const auto* set : {&identity_, &labels}) {
            for (const auto& [label, text] : *set) {
                out_ << (first ? "" : ",") << label << "=\"" << escaped(text, true) << '"';
                first = false;
            }
        }
        out_ << "} " << sample_value_text(value) << '\n';
    }

private:
    exposition_format format_;
    const metric_labels& identity_;
    std::ostream& out_;
};

// The lookup's states in English, each once: a text that two values share gets its value added.
std::vector<std::pair<std::int64_t, std::string>> states_of(const json* descriptor, const std::string& lookup) {
    std::vector<std::pair<std::int64_t, std::string>> states;
    if (descriptor == nullptr || lookup.empty()) return states;
    const auto lookups = descriptor->find("Lookups");
    if (lookups == descriptor->end() || !lookups->contains(lookup)) return states;
    std::map<std::string, int> uses;
    for (const auto& entry : lookups->at(lookup).value("LookupValues", json::array())) {
        const auto value = integer_member(entry, "Value");
        if (!value) continue;
        std::string text = text_member(entry, "Display");
        if (text.empty()) text = std::to_string(*value);
        states.emplace_back(*value, text);
        ++uses[text];
    }
    for (auto& [value, text] : states) {
        if (uses[text] > 1) text += " (" + std::to_string(value) + ")";
    }
    return states;
}

const known_channel* known(const exposition_context& context, int id) {
    if (context.sensor == nullptr) return nullptr;
    const auto found = context.sensor->channels.find(id);
    return found == context.sensor->channels.end() ? nullptr : &found->second;
}

// The module a per-module channel stands for: its name's argument ("PLC_1" of "PLC_1 Status").
std::string module_name(const channel_report& channel, const known_channel* definition) {
    if (definition != nullptr) {
        const json name = definition->definition.value("name", json());
        if (const auto decoded = decode_identifier(text_member(name, "id"));
            decoded && !decoded->arguments.empty() && !decoded->arguments.front().empty())
            return decoded->arguments.front();
    }
    return channel.english_name;
}

// The hardware id the sensor keeps a module's channel under, in its persistent data (hwid -> id).
std::string hardware_id(const exposition_context& context, int channel_id) {
    if (context.sensor == nullptr) return "";
    const std::string id = std::to_string(channel_id);
    for (const auto& [key, value] : context.sensor->persistent_data) {
        if (value == id && !key.empty() && std::ranges::all_of(key, [](unsigned char c) { return std::isdigit(c); }))
            return key;
    }
    return "";
}

metric_labels member_labels(const family_rule& rule, const channel_report& channel,
                            const exposition_context& context) {
    metric_labels labels = rule.fixed;
    const known_channel* definition = known(context, channel.id);
    switch (rule.member) {
        case member_label::none:
            break;
        case member_label::channel:
            labels.emplace_back("channel", channel.english_name);
            break;
        case member_label::led:
            labels.emplace_back("led", channel.english_name);
            break;
        case member_label::module:
            labels.emplace_back("module", module_name(channel, definition));
            break;
        case member_label::module_and_hwid:
            labels.emplace_back("module", module_name(channel, definition));
            labels.emplace_back("hwid", hardware_id(context, channel.id));
            break;
    }
    return labels;
}

// One state per sample, 1 for the channel's value; a value the lookup lacks is a state of its own.
void write_states(family_writer& writer, const std::string& family, metric_labels labels,
                  const channel_report& channel, const exposition_context& context) {
    const known_channel* definition = known(context, channel.id);
    auto states =
        states_of(context.descriptor, definition != nullptr ? text_member(definition->definition, "lookup") : "");
    const auto current = static_cast<std::int64_t>(channel.value.get<double>());
    if (std::ranges::find(states, current, &std::pair<std::int64_t, std::string>::first) == states.end())
        states.emplace_back(current, channel.from_lookup && states.empty() ? channel.text : std::to_string(current));
    labels.emplace_back(family, "");
    for (const auto& [value, text] : states) {
        labels.back().second = text;
        writer.sample(family, labels, value == current ? 1 : 0);
    }
}

struct family_channels {
    family_rule rule;
    std::vector<std::pair<const channel_report*, family_rule>> members;
};

void write_channels(family_writer& writer, const sensor_report& report, const exposition_context& context) {
    // A family's samples must stand together, so channels are grouped by family in order of appearance.
    std::vector<family_channels> families;
    for (const auto& channel : report.channels) {
        if (!channel.value.is_number()) continue;
        const family_rule* known_rule = rule_for(channel.key);
        family_rule rule = known_rule != nullptr ? *known_rule : fallback_rule(channel);
        auto found = std::ranges::find(families, rule.family, [](const auto& entry) { return entry.rule.family; });
        if (found == families.end()) found = families.insert(families.end(), {rule, {}});
        found->members.emplace_back(&channel, std::move(rule));
    }
    for (const auto& [rule, members] : families) {
        writer.header(rule.family, rule.kind, rule.unit,
                      rule.help.empty() ? members.front().first->english_name : std::string(rule.help));
        const std::string sample_name = rule.family + (rule.kind == shape::counter ? "_total" : "");
        for (const auto& [channel, own_rule] : members) {
            const metric_labels labels = member_labels(own_rule, *channel, context);
            if (rule.kind == shape::stateset) {
                write_states(writer, rule.family, labels, *channel, context);
            } else {
                writer.sample(sample_name, labels, channel->value.get<double>() / rule.divisor);
            }
        }
    }
}

}  // namespace

metric_labels identity_of(const sensor_report& report) {
    std::string target;
    for (const auto& setting : report.target) {
        if (setting.name == "host") target = setting.value + target;
        if (setting.name == "port") target += ":" + setting.value;
    }
    return {{"target", target}, {"kind", report.kind}};
}

std::string error_reason_of(const json& error_result) {
    const json message = error_result.value("message", json::object());
    const auto decoded = decode_identifier(text_member(message, "id"));
    return decoded && !decoded->key.empty() ? decoded->key : std::string(failure_reason::unknown);
}

void write_exposition(const sensor_report& report, const exposition_context& context, exposition_format format,
                      std::ostream& out) {
    family_writer writer(format, context.identity, out);
    write_channels(writer, report, context);

    writer.header("s7_up", shape::gauge, "", "1 when the scan read the controller, 0 when it failed");
    writer.sample("s7_up", {}, report.failed ? 0 : 1);
    if (context.duration_seconds) {
        writer.header("s7_scan_duration_seconds", shape::gauge, "seconds", "How long the scan took");
        writer.sample("s7_scan_duration_seconds", {}, *context.duration_seconds);
    }
    if (report.failed) {
        writer.header("s7_scan_error", shape::gauge, "",
                      "Why the scan failed: the error's catalogue key, or s7host's own reason");
        writer.sample("s7_scan_error",
                      {{"reason", context.error_reason.empty() ? std::string(failure_reason::unknown)
                                                               : context.error_reason}},
                      1);
    }
    writer.header("s7_state", shape::stateset, "",
                  "Evaluated state of the scan: ok, warning, error or unknown (the exit status of scan)");
    for (const auto state : {severity::ok, severity::warning, severity::error, severity::unknown})
        writer.sample("s7_state", {{"s7_state", severity_word(state)}}, state == report.state ? 1 : 0);
    if (format == exposition_format::openmetrics) out << "# EOF\n";
}

}  // namespace korvel::probekit::host
