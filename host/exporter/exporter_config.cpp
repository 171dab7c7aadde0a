#include "host/exporter/exporter_config.hpp"

#include <yaml-cpp/yaml.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "host/cli/command_line.hpp"
#include "host/cli/settings.hpp"

namespace korvel::probekit::host {
namespace {

// A mapping's entry; errors about the entry itself point at its key's line.
struct entry {
    std::string name;
    YAML::Node key;
    YAML::Node value;
};

class reader {
public:
    explicit reader(std::string origin) : origin_(std::move(origin)) {}

    [[noreturn]] void fail(const YAML::Node& node, const std::string& what) const {
        const auto mark = node.Mark();
        throw config_error(origin_ + (mark.is_null() ? "" : ":" + std::to_string(mark.line + 1)) + ": " + what);
    }

    // A mapping's entries, each key a text; a missing or empty section is no entries.
    std::vector<entry> entries(const YAML::Node& node, const std::string& what) const {
        std::vector<entry> found;
        if (!node || node.IsNull()) return found;
        if (!node.IsMap()) fail(node, what + " is a mapping of names to entries");
        for (const auto& pair : node) found.push_back({text(pair.first, what + "'s names"), pair.first, pair.second});
        return found;
    }

    std::string text(const YAML::Node& node, const std::string& what) const {
        if (!node.IsScalar()) fail(node, what + " must be a single value");
        return node.Scalar();
    }

    // Refuses keys a mapping does not know, naming the closest, so a typo is not silently ignored.
    void only(const std::vector<entry>& fields, const std::vector<std::string>& known, const std::string& what) const {
        for (const auto& field : fields) {
            if (std::ranges::find(known, field.name) == known.end())
                fail(field.key, "unknown " + what + " field \"" + field.name + "\"" + did_you_mean(field.name, known) +
                                    " (known: " + joined(known) + ")");
        }
    }

    setting_values settings(const YAML::Node& node, const std::string& what) const {
        setting_values values;
        for (const auto& field : entries(node, what)) values[field.name] = text(field.value, what + " " + field.name);
        return values;
    }

private:
    static std::string joined(const std::vector<std::string>& names) {
        std::string text;
        for (const auto& name : names) text += (text.empty() ? "" : ", ") + name;
        return text;
    }

    std::string origin_;
};

target_entry read_target(const reader& in, const std::string& name, const YAML::Node& node) {
    const std::string what = "target " + name;
    const auto fields = in.entries(node, what);
    in.only(fields, {"host", "port", "rack", "slot", "username", "password_file", "password_env", "settings"},
            what);
    target_entry target;
    for (const auto& [key, key_node, value] : fields) {
        if (key == "settings") {
            target.settings = in.settings(value, what + " settings");
            continue;
        }
        const std::string text = in.text(value, what + " " + key);
        if (key == "host") target.host = text;
        if (key == "port") target.port = text;
        if (key == "rack") target.rack = text;
        if (key == "slot") target.slot = text;
        if (key == "username") target.username = text;
        if (key == "password_file") target.password_file = text;
        if (key == "password_env") target.password_env = text;
    }
    if (target.host.empty()) in.fail(node, what + " needs a host");
    if (target.password_file && target.password_env)
        in.fail(node, what + " names its password once: password_file or password_env");
    for (const auto& [key, value] : target.settings) {
        if (key.ends_with(".password"))
            in.fail(node, what + ": a password is not written into the file; name it with password_file or password_env");
    }
    return target;
}

profile_entry read_profile(const reader& in, const std::string& name, const YAML::Node& node) {
    const std::string what = "profile " + name;
    const auto fields = in.entries(node, what);
    in.only(fields, {"kind", "settings", "hold"}, what);
    profile_entry profile;
    for (const auto& [key, key_node, value] : fields) {
        if (key == "kind") profile.kind = in.text(value, what + " kind");
        if (key == "settings") profile.settings = in.settings(value, what + " settings");
        if (key == "hold") {
            try {
                profile.hold = parse_duration(what + " hold", in.text(value, what + " hold"));
            } catch (const usage_error& error) {
                in.fail(value, error.what());
            }
        }
    }
    if (profile.kind.empty()) in.fail(node, what + " needs a kind (s7host list shows them)");
    return profile;
}

}  // namespace

exporter_config parse_exporter_config(const std::string& text, const std::string& origin) {
    const reader in(origin);
    YAML::Node root;
    try {
        root = YAML::Load(text);
    } catch (const YAML::Exception& error) {
        throw config_error(origin + ":" + std::to_string(error.mark.line + 1) + ": not YAML: " + error.msg);
    }
    exporter_config config;
    if (!root || root.IsNull()) return config;
    const auto sections = in.entries(root, "the file");
    in.only(sections, {"targets", "profiles"}, "top-level");
    for (const auto& section : sections) {
        for (const auto& named : in.entries(section.value, section.name)) {
            if (section.name == "targets") config.targets[named.name] = read_target(in, named.name, named.value);
            else config.profiles[named.name] = read_profile(in, named.name, named.value);
        }
    }
    return config;
}

exporter_config load_exporter_config(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) throw config_error("cannot read the configuration file " + std::filesystem::absolute(file).string());
    std::ostringstream text;
    text << in.rdbuf();
    return parse_exporter_config(text.str(), file.string());
}

}  // namespace korvel::probekit::host
