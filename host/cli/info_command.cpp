#include "host/cli/info_command.hpp"

#include "host/cli/aligned_columns.hpp"
#include "host/cli/descriptor_settings.hpp"

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

std::string limits_or_options(const setting_description& setting, const translator& texts) {
    std::string text;
    const auto append = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
    if (setting.minimum) append("min " + std::to_string(*setting.minimum));
    if (setting.maximum) append("max " + std::to_string(*setting.maximum));
    for (const auto& option : setting.options) {
        append(option.value + " = " +
               texts.text(setting.text_key() + ".option." + option.value, option.display));
    }
    return text;
}

std::vector<std::string> setting_row(const setting_description& setting, const translator& texts) {
    return {texts.text(setting.text_key() + ".display", setting.display),
            setting.key(),
            kind_name(setting.kind),
            setting.required ? "required" : "optional",
            setting.default_value ? "default \"" + *setting.default_value + "\"" : "no default",
            limits_or_options(setting, texts)};
}

// Section, then group, then one aligned line per setting.
void print_settings(const std::vector<setting_description>& settings, const translator& texts,
                    std::ostream& out) {
    if (settings.empty()) {
        out << "    Settings: none\n";
        return;
    }
    out << "    Settings:\n";
    std::vector<std::vector<std::string>> rows;
    const auto flush = [&] {
        print_aligned_columns(rows, "          ", out);
        rows.clear();
    };
    for (std::size_t index = 0; index < settings.size(); ++index) {
        const auto& setting = settings[index];
        const bool new_section = index == 0 || settings[index - 1].section != setting.section;
        const bool new_group = new_section || settings[index - 1].group != setting.group;
        if (new_group) flush();
        if (new_section) {
            out << "      " << texts.text(setting.section + ".display", setting.section_display) << " ["
                << setting.section << "]\n";
        }
        if (new_group) out << "        " << setting.group << '\n';
        rows.push_back(setting_row(setting, texts));
    }
    flush();
}

std::string joined(const json& names) {
    std::string text;
    for (const auto& name : names) text += (text.empty() ? "" : ", ") + name.get<std::string>();
    return text.empty() ? "none" : text;
}

void print_sensors(const json& descriptor, const translator& texts, std::ostream& out) {
    out << "\nSensors:\n";
    for (const auto& [name, sensor] : descriptor.at("Sensors").items()) {
        out << "  " << texts.text(name + ".display", sensor.value("Display", name)) << " [" << name << "]\n"
            << "    Description: " << texts.text(name + ".description", sensor.value("Description", ""))
            << '\n'
            << "    Help: " << texts.text(name + ".help", sensor.value("Help", "")) << '\n'
            << "    Required checks: " << joined(sensor.value("RequiredChecks", json::array())) << '\n';
        print_settings(settings_of_kind(descriptor, name), texts, out);
    }
}

void print_checks(const json& descriptor, const translator& texts, std::ostream& out) {
    out << "\nChecks:\n";
    for (const auto& [name, check] : descriptor.at("Checks").items()) {
        out << "  " << name << '\n';
        print_settings(settings_of_kind(descriptor, name), texts, out);
    }
}

void print_languages(const json& descriptor, std::ostream& out) {
    out << "\nLanguages:\n";
    std::vector<std::vector<std::string>> rows;
    for (const auto& [language, table] : descriptor.at("Text").items()) {
        rows.push_back({language, std::to_string(table.at("Translation").size()) + " keys"});
    }
    print_aligned_columns(rows, "  ", out);
}

}  // namespace

int info_command(const host_session& session) {
    const auto& descriptor = session.descriptor;
    const auto& meta = descriptor.at("MetaData");
    session.out << session.texts.text("module.display", meta.value("Display", "")) << ' '
                << meta.value("Version", "") << " (API level " << session.module.get_api_level() << ")\n"
                << session.texts.text("module.description", meta.value("Description", "")) << '\n';
    print_sensors(descriptor, session.texts, session.out);
    print_checks(descriptor, session.texts, session.out);
    print_languages(descriptor, session.out);
    return 0;
}

}  // namespace korvel::probekit::host
