#include "host/exporter/probe_request.hpp"

#include <algorithm>
#include <fstream>
#include <sstream>

namespace korvel::probekit::host {
namespace {

const std::string target_parameter = "target";
const std::string kind_parameter = "kind";
const std::string profile_parameter = "profile";

std::string single(const std::multimap<std::string, std::string>& parameters, const std::string& name) {
    if (parameters.count(name) > 1) throw probe_error("the parameter " + name + " is given more than once");
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
}

const setting_description* find_setting(const std::vector<setting_description>& settings, const std::string& key) {
    const auto found = std::ranges::find(settings, key, &setting_description::key);
    return found == settings.end() ? nullptr : &*found;
}

std::string read_secret_file(const std::string& path, const std::string& target) {
    std::ifstream in(path);
    if (!in) throw probe_error("cannot read the password file of target " + target + " (" + path + ")");
    std::ostringstream text;
    text << in.rdbuf();
    std::string secret = text.str();
    while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r')) secret.pop_back();
    return secret;
}

// A target of the configuration, each field as the setting of this kind that means it; fields the
// kind has no setting for (a rack for a Web API kind) do not apply to it.
void add_target(std::vector<setting_assignment>& assignments, const std::string& name, const target_entry& target,
                const std::vector<setting_description>& settings, const environment_lookup& environment) {
    const std::string origin = "target " + name;
    const auto add_first = [&](const std::optional<std::string>& value, std::initializer_list<const char*> keys) {
        if (!value) return;
        for (const char* key : keys) {
            if (find_setting(settings, key) != nullptr) {
                assignments.push_back({key, *value, origin});
                return;
            }
        }
    };
    assignments.push_back({"host", target.host, origin});
    add_first(target.port, {"connection_section.port", "s7web_credentials_section.port"});
    add_first(target.rack, {"connection_section.rack"});
    add_first(target.slot, {"connection_section.slot"});
    add_first(target.username, {"s7web_credentials_section.username"});
    if (find_setting(settings, "s7web_credentials_section.password") != nullptr) {
        if (target.password_file) {
            assignments.push_back({"s7web_credentials_section.password", read_secret_file(*target.password_file, name),
                                   origin + " password_file"});
        } else if (target.password_env) {
            const char* value = environment(target.password_env->c_str());
            if (value == nullptr)
                throw probe_error("the environment variable " + *target.password_env + " of target " + name +
                                  " is not set");
            assignments.push_back({"s7web_credentials_section.password", value, origin + " password_env"});
        }
    }
    for (const auto& [key, value] : target.settings) {
        if (find_setting(settings, key) != nullptr) assignments.push_back({key, value, origin + " settings"});
    }
}

}  // namespace

std::pair<std::string, std::string> split_host_port(const std::string& target) {
    if (target.starts_with('[')) {
        const auto close = target.find(']');
        if (close == std::string::npos) throw probe_error("target " + target + ": a [ without its ]");
        const std::string rest = target.substr(close + 1);
        if (!rest.empty() && !rest.starts_with(':')) throw probe_error("target " + target + ": HOST[:PORT] expected");
        return {target.substr(1, close - 1), rest.empty() ? "" : rest.substr(1)};
    }
    const auto colon = target.find(':');
    if (colon == std::string::npos || target.find(':', colon + 1) != std::string::npos) return {target, ""};
    return {target.substr(0, colon), target.substr(colon + 1)};
}

probe_plan plan_probe(const std::multimap<std::string, std::string>& parameters, const exporter_config& config,
                      const kind_settings_lookup& kind_settings, const environment_lookup& environment) {
    probe_plan plan;
    plan.target = single(parameters, target_parameter);
    if (plan.target.empty()) throw probe_error("the parameter target is missing: /probe?target=NAME&profile=NAME");
    const std::string profile_name = single(parameters, profile_parameter);
    const std::string kind = single(parameters, kind_parameter);
    if (!profile_name.empty() && !kind.empty()) throw probe_error("give a profile or a kind, not both");
    const profile_entry* profile = nullptr;
    if (!profile_name.empty()) {
        const auto found = config.profiles.find(profile_name);
        if (found == config.profiles.end()) {
            std::vector<std::string> names;
            for (const auto& [name, entry] : config.profiles) names.push_back(name);
            throw probe_error("unknown profile \"" + profile_name + "\"" + did_you_mean(profile_name, names));
        }
        profile = &found->second;
        plan.kind = profile->kind;
        plan.hold = profile->hold;
    } else if (!kind.empty()) {
        plan.kind = kind;
    } else {
        throw probe_error("the parameter profile (or kind) is missing: /probe?target=NAME&profile=NAME");
    }
    const auto& settings = kind_settings(plan.kind);
    plan.settings = &settings;

    const auto configured = config.targets.find(plan.target);
    if (configured != config.targets.end()) {
        add_target(plan.assignments, plan.target, configured->second, settings, environment);
    } else {
        const auto [host, port] = split_host_port(plan.target);
        if (host.empty()) throw probe_error("target " + plan.target + " names no host");
        plan.assignments.push_back({"host", host, "target"});
        if (!port.empty()) plan.assignments.push_back({"port", port, "target", true});
    }
    if (profile != nullptr) {
        for (const auto& [key, value] : profile->settings)
            plan.assignments.push_back({key, value, "profile " + profile_name});
    }

    plan.instance = plan.target + '\n' + (profile != nullptr ? "profile " + profile_name : "kind " + plan.kind);
    for (const auto& [name, value] : parameters) {
        if (name == target_parameter || name == kind_parameter || name == profile_parameter) continue;
        const bool by_name = name == "port" || name == "rack" || name == "slot";
        if (const auto* setting = find_setting(settings, name); setting != nullptr && setting->kind == setting_kind::secure_text)
            throw probe_error("the parameter " + name + " is a secret: URLs end up in logs; give it in the configuration file");
        plan.assignments.push_back({name, value, "URL parameter " + name, by_name});
        plan.instance += '\n' + name + '=' + value;  // a multimap's parameters come sorted by name
    }
    return plan;
}

}  // namespace korvel::probekit::host
