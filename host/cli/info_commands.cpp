// version, list and info: what the module is and offers, from its descriptor and, for channels,
// from what a freshly created sensor announces.

#include "host/cli/commands.hpp"
#include "host/cli/evaluation.hpp"
#include "host/cli/host_words.hpp"
#include "host/cli/output_formats.hpp"
#include "host/harness/protocol.hpp"

namespace korvel::probekit::host {
namespace {

std::string kind_name(setting_kind kind) {
    switch (kind) {
        case setting_kind::text:
            return "text";
        case setting_kind::secure_text:
            return "secret text";
        case setting_kind::integer:
            return "integer";
        case setting_kind::selection:
            return "selection";
    }
    return "";
}

std::string limit_value_text(double number) {
    return json(number).dump();
}

std::string range_text(const plugin_range& range) {
    return (range.inside ? "inside " : "outside ") + range.text;
}

// The limits a scan evaluates the channel by: the module's, less what -w and -c replace, and theirs.
std::string limits_text(const channel_report& channel, bool with_lookup) {
    std::string text;
    const auto append = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (channel.limits) {
        const auto& [slot_1, slot_2, slot_3, slot_4] = *channel.limits;
        if (slot_1)
            append("warning from " + limit_value_text(*slot_1) +
                   (slot_3 ? " until below " + limit_value_text(*slot_3) : ""));
        if (slot_2) append("warning above " + limit_value_text(*slot_2));
        if (slot_4) append("error from " + limit_value_text(*slot_4));
    }
    if (channel.warning_range) append("warning " + range_text(*channel.warning_range) + " (-w)");
    if (channel.critical_range) append("error " + range_text(*channel.critical_range) + " (-c)");
    if (!text.empty()) return text;
    return with_lookup ? "none; the lookup's states" : "none";
}

std::vector<std::string> kinds_of(const json& descriptor) {
    std::vector<std::string> kinds;
    for (const char* table : {"Sensors", "Checks"}) {
        for (const auto& [name, entry] : descriptor.at(table).items()) kinds.push_back(name);
    }
    return kinds;
}

// info takes either: a misspelt kind is compared with the sensors and the checks alike.
bool is_sensor_kind(const json& descriptor, const std::string& kind) {
    if (descriptor.at("Sensors").contains(kind)) return true;
    if (descriptor.at("Checks").contains(kind)) return false;
    throw usage_error("unknown kind \"" + kind + "\"" + did_you_mean(kind, kinds_of(descriptor)) +
                      " (s7host list shows the kinds)");
}

// Values that let the module build the sensor without a controller where the user gave none: what a
// scan would need.
std::vector<setting_assignment> probe_assignments(const std::vector<setting_description>& settings,
                                                  const std::vector<setting_assignment>& given) {
    std::vector<setting_assignment> assignments;
    for (const auto& setting : settings) {
        // An empty default (a user name) leaves a required setting as unset as no default does.
        if (!setting.required || (setting.default_value && !setting.default_value->empty())) continue;
        std::string value = "probe";
        if (setting.kind == setting_kind::integer) value = std::to_string(setting.minimum.value_or(0));
        if (setting.kind == setting_kind::selection && !setting.options.empty())
            value = setting.options.front().value;
        assignments.push_back({setting.key, value, "info"});
    }
    assignments.insert(assignments.end(), given.begin(), given.end());
    return assignments;
}

struct announced {
    std::vector<json> definitions;
    std::string problem;  // why there are none to show, when the module would not build the sensor
};

// The channels a sensor announces when it is created; a sensor may announce more while it scans.
announced announced_channels(module_session& session, const std::string& kind,
                             const std::vector<setting_description>& settings,
                             const std::vector<setting_assignment>& given) {
    constexpr int probe_id = 1;
    const resolved_settings values(kind, settings, probe_assignments(settings, given), session.texts());
    const sensor_record empty;
    const int code = session.module().create_sensor(probe_id, settings_block(kind, values, &empty).dump());
    announced result;
    for (const auto& message : session.take_messages()) {
        const std::string type = text_member(message, "type");
        if (type == protocol::message_type::dynamic_channel && message.contains("channel")) {
            result.definitions.push_back(message.at("channel"));
        } else if (type == protocol::message_type::error_result) {
            result.problem = session.texts().message(message.value("message", json::object()));
        }
    }
    if (code == protocol::export_code::success) {
        session.module().destroy_sensor(probe_id);
        session.take_messages();
    } else if (result.problem.empty()) {
        result.problem = export_failure_text(code, "creating the sensor", kind, probe_id);
    }
    return result;
}

json setting_json(const setting_description& setting, const translator& texts) {
    json options = json::array();
    for (const auto& option : setting.options) {
        options.push_back(
            {{"value", option.value},
             {"label", setting.text_key().empty()
                           ? option.display
                           : texts.text(setting.text_key() + ".option." + option.value, option.display)}});
    }
    return {{"key", setting.key},
            {"label", setting.label(texts)},
            {"type", kind_name(setting.kind)},
            {"required", setting.required},
            {"default", setting.default_value ? json(*setting.default_value) : json(nullptr)},
            {"minimum", setting.minimum ? json(*setting.minimum) : json(nullptr)},
            {"maximum", setting.maximum ? json(*setting.maximum) : json(nullptr)},
            {"options", std::move(options)}};
}

json lookup_json(const json& descriptor, const std::string& lookup, const translator& texts) {
    json values = json::array();
    for (const auto& entry : lookup_values(descriptor, lookup, texts)) {
        values.push_back({{"value", entry.value},
                          {"text", entry.text},
                          {"state", entry.state ? json(severity_word(*entry.state)) : json(nullptr)}});
    }
    return values;
}

class kind_description {
public:
    // options: the settings the channels are announced with, -w, -c and --all.
    kind_description(module_session& session, const std::string& kind, bool with_channels,
                     const command_line& options)
        : session_(session),
          kind_(kind),
          is_sensor_(is_sensor_kind(session.descriptor(), kind)),
          settings_(settings_for(session, kind, is_sensor_)),
          all_settings_(options.all_settings) {
        if (with_channels && is_sensor_) {
            const scan_evaluator describer(session.descriptor(), session.texts(), severity::error,
                                           options.thresholds);
            auto found = announced_channels(session, kind, settings_, options.assignments);
            problem_ = std::move(found.problem);
            for (const auto& definition : found.definitions) {
                const auto id = integer_member(definition, "id");
                if (!id) continue;
                channels_.push_back({describer.describe(static_cast<int>(*id), definition),
                                     text_member(definition, "lookup"),
                                     integer_member(definition, "kind") == protocol::value_kind::integer});
            }
        }
    }

    // Detailed: with the base settings, the channels and their lookups.
    void print(std::ostream& out, bool detailed) const {
        const auto& texts = session_.texts();
        if (!is_sensor_) {
            out << "  " << kind_ << " (check)\n";
        } else {
            const auto& sensor = session_.descriptor().at("Sensors").at(kind_);
            out << "  " << session_.kind_display(kind_) << " [" << kind_ << "]\n"
                << "    Description: "
                << texts.text(kind_ + ".description", text_member(sensor, "Description")) << '\n'
                << "    Help: " << texts.text(kind_ + ".help", text_member(sensor, "Help")) << '\n'
                << "    Required checks: " << required_checks() << '\n';
        }
        print_settings(out, detailed);
        if (detailed && is_sensor_) print_channels(out);
    }

    json to_json() const {
        const auto& texts = session_.texts();
        json settings = json::array();
        for (const auto& setting : settings_) {
            if (shown(setting)) settings.push_back(setting_json(setting, texts));
        }
        json description = {{"kind", kind_},
                            {"type", is_sensor_ ? "sensor" : "check"},
                            {"name", session_.kind_display(kind_)}};
        if (is_sensor_) {
            const auto& sensor = session_.descriptor().at("Sensors").at(kind_);
            description["description"] =
                texts.text(kind_ + ".description", text_member(sensor, "Description"));
            description["help"] = texts.text(kind_ + ".help", text_member(sensor, "Help"));
            description["required_checks"] = sensor.value("RequiredChecks", json::array());
        }
        description["settings"] = std::move(settings);
        if (!is_sensor_) return description;
        json channels = json::array();
        for (const auto& [channel, lookup, integer] : channels_) {
            json limits = nullptr;
            if (channel.limits) {
                limits = json::array();
                for (const auto& slot : *channel.limits) limits.push_back(slot ? json(*slot) : json(nullptr));
            }
            const auto range = [](const std::optional<plugin_range>& given) {
                return given ? json(given->text) : json(nullptr);
            };
            channels.push_back({{"id", channel.id},
                                {"key", channel.key},
                                {"name", channel.name},
                                {"value_kind", integer ? "integer" : "floating_point"},
                                {"unit", channel.unit_name},
                                {"lookup", lookup.empty() ? json(nullptr) : json(lookup)},
                                {"lookup_values", lookup_json(session_.descriptor(), lookup, texts)},
                                {"limits", std::move(limits)},
                                {"warning_range", range(channel.warning_range)},
                                {"critical_range", range(channel.critical_range)}});
        }
        description["channels"] = std::move(channels);
        if (!problem_.empty()) description["channels_problem"] = problem_;
        return description;
    }

private:
    struct channel_entry {
        channel_report channel;
        std::string lookup;
        bool integer = false;
    };

    bool shown(const setting_description& setting) const { return all_settings_ || !setting.hidden; }

    std::string required_checks() const {
        std::string text;
        for (const auto& name :
             session_.descriptor().at("Sensors").at(kind_).value("RequiredChecks", json::array()))
            text += (text.empty() ? "" : ", ") + name.get<std::string>();
        return text.empty() ? "none" : text;
    }

    // One kind's base settings in a block of their own, then section, group and one line per setting.
    void print_settings(std::ostream& out, bool with_base) const {
        const auto& texts = session_.texts();
        out << "    Settings:\n";
        std::vector<std::vector<std::string>> rows;
        const auto flush = [&] {
            print_table(rows, "          ", out);
            rows.clear();
        };
        const setting_description* previous = nullptr;
        for (const auto& setting : settings_) {
            if ((setting.section.empty() && !with_base) || !shown(setting)) continue;
            const bool new_section = previous == nullptr || previous->section != setting.section;
            const bool new_group = new_section || previous->group != setting.group;
            if (new_group) flush();
            if (new_section) {
                out << "      "
                    << (setting.section.empty()
                            ? "Base settings"
                            : texts.text(setting.section + ".display", setting.section_display) + " [" +
                                  setting.section + "]")
                    << '\n';
            }
            if (new_group && !setting.group.empty()) out << "        " << setting.group << '\n';
            rows.push_back(
                {setting.label(texts), setting.key, kind_name(setting.kind),
                 setting.required ? "required" : "optional",
                 setting.default_value ? "default \"" + *setting.default_value + "\"" : "no default",
                 setting.allowed(texts)});
            previous = &setting;
        }
        flush();
    }

    void print_channels(std::ostream& out) const {
        out << "    Channels (announced when the sensor is created; a sensor may add more while it scans):\n";
        if (channels_.empty()) {
            out << "      none" << (problem_.empty() ? "" : ": " + problem_) << '\n';
            return;
        }
        const std::string& language = session_.texts().language();
        std::vector<std::vector<std::string>> rows{
            {"Id", host_text(host_word::name, language), host_text(host_word::key, language),
             host_text(host_word::value, language), host_text(host_word::unit, language),
             host_text(host_word::limits, language)}};
        std::vector<std::string> lookups;
        for (const auto& [channel, lookup, integer] : channels_) {
            rows.push_back({std::to_string(channel.id), channel.name, channel.key,
                            integer ? "integer" : "floating point",
                            lookup.empty() ? (channel.unit.empty() ? "-" : channel.unit) : "lookup " + lookup,
                            limits_text(channel, !lookup.empty())});
            if (!lookup.empty() && std::ranges::find(lookups, lookup) == lookups.end())
                lookups.push_back(lookup);
        }
        print_table(rows, "      ", out);
        for (const auto& lookup : lookups) {
            out << "    Lookup " << lookup << ":\n";
            std::vector<std::vector<std::string>> values;
            for (const auto& entry : lookup_values(session_.descriptor(), lookup, session_.texts()))
                values.push_back(
                    {std::to_string(entry.value), entry.text,
                     entry.state ? severity_text(*entry.state, session_.texts().language()) : "-"});
            print_table(values, "      ", out);
        }
    }

    module_session& session_;
    std::string kind_;
    bool is_sensor_;
    std::vector<setting_description> settings_;
    std::vector<channel_entry> channels_;
    std::string problem_;
    bool all_settings_;
};

json module_json(module_session& session) {
    const auto& meta = session.descriptor().at("MetaData");
    return {{"name", session.texts().text("module.display", text_member(meta, "Display"))},
            {"version", text_member(meta, "Version")},
            {"description", session.texts().text("module.description", text_member(meta, "Description"))},
            {"api_level", session.module().get_api_level()},
            {"language", session.texts().language()}};
}

// curl_version() says "libcurl/7.88.1 OpenSSL/3.0.19 zlib/1.2.13 ...": the version, then what it uses.
std::string libcurl_text(const std::optional<std::string>& version) {
    constexpr std::string_view prefix = "libcurl/";
    if (!version) return "none (the module does not load libcurl)";
    if (!version->starts_with(prefix)) return *version;
    const std::size_t blank = version->find(' ');
    const std::string number = version->substr(prefix.size(), blank - prefix.size());
    return blank == std::string::npos ? number : number + " (" + version->substr(blank + 1) + ")";
}

void print_module(module_session& session, std::ostream& out) {
    const auto module = module_json(session);
    out << module.at("name").get<std::string>() << ' ' << module.at("version").get<std::string>()
        << " (API level " << module.at("api_level") << ")\n"
        << module.at("description").get<std::string>() << '\n';
}

}  // namespace

int version_command(module_session& session, std::ostream& out) {
    const auto& meta = session.descriptor().at("MetaData");
    out << "s7host " << S7HOST_VERSION << '\n'
        << "module " << text_member(meta, "Version") << ", API level " << session.module().get_api_level()
        << ", " << session.module_path().string() << '\n'
        << "snap7 " << S7HOST_SNAP7_VERSION << '\n'
        << "libcurl " << libcurl_text(session.module().libcurl_version()) << '\n';
    return 0;
}

int list_command(module_session& session, const command_line& options, std::ostream& out) {
    const auto& descriptor = session.descriptor();
    json kinds = json::array();
    std::vector<std::vector<std::string>> rows;
    for (const auto& kind : kinds_of(descriptor)) {
        const bool sensor = descriptor.at("Sensors").contains(kind);
        kinds.push_back(
            {{"kind", kind}, {"type", sensor ? "sensor" : "check"}, {"name", session.kind_display(kind)}});
        rows.push_back({kind, sensor ? "sensor" : "check", sensor ? session.kind_display(kind) : ""});
    }
    if (options.format == output_format::json_lines) {
        out << kinds.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
    } else {
        print_table(rows, "", out);
    }
    return 0;
}

int info_command(module_session& session, const command_line& options, std::ostream& out) {
    const bool as_json = options.format == output_format::json_lines;
    if (options.kind) {
        const kind_description kind(session, *options.kind, true, options);
        if (as_json) {
            out << json{{"module", module_json(session)}, {"kind", kind.to_json()}}.dump(
                       -1, ' ', false, json::error_handler_t::replace)
                << '\n';
            return 0;
        }
        print_module(session, out);
        out << '\n';
        kind.print(out, true);
        return 0;
    }
    const auto& descriptor = session.descriptor();
    if (as_json) {
        json kinds = json::array();
        for (const auto& name : kinds_of(descriptor))
            kinds.push_back(kind_description(session, name, true, options).to_json());
        json languages = json::object();
        for (const auto& [language, table] : descriptor.at("Text").items())
            languages[language] = table.value("Translation", json::object()).size();
        out << json{{"module", module_json(session)},
                    {"kinds", std::move(kinds)},
                    {"languages", std::move(languages)}}
                   .dump(-1, ' ', false, json::error_handler_t::replace)
            << '\n';
        return 0;
    }
    print_module(session, out);
    out << "\nEvery kind also reads the base settings (s7host info KIND shows them with its channels).\n";
    for (const char* table : {"Sensors", "Checks"}) {
        out << '\n' << (std::string_view(table) == "Sensors" ? "Sensors:" : "Checks:") << '\n';
        for (const auto& [name, entry] : descriptor.at(table).items())
            kind_description(session, name, false, options).print(out, false);
    }
    out << "\nLanguages:\n";
    std::vector<std::vector<std::string>> rows;
    for (const auto& [language, table] : descriptor.at("Text").items())
        rows.push_back(
            {language, std::to_string(table.value("Translation", json::object()).size()) + " keys"});
    print_table(rows, "  ", out);
    return 0;
}

}  // namespace korvel::probekit::host
