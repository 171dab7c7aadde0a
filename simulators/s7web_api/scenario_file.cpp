#include "simulators/s7web_api/scenario_file.hpp"

#include <fstream>
#include <nlohmann/json.hpp>
#include <unordered_set>

#include "simulators/s7web_api/json_reader.hpp"
#include "simulators/s7web_api/web_api_methods.hpp"

namespace korvel::probekit::simulators {
namespace {

constexpr std::size_t max_name = 128;
constexpr std::size_t max_text = 1024;
constexpr std::size_t max_list = 64;
constexpr std::int64_t max_delay_ms = 60'000;
constexpr std::int64_t max_lifetime_ms = 3'600'000;
constexpr std::int64_t max_restart_interval_ms = 86'400'000;
constexpr std::int64_t max_hwid = 65535;

web_api_user read_user(const json_reader& user) {
    user.allow_only({"name", "password", "permissions"});
    const auto permissions = user.texts("permissions", max_list, max_name);
    return {user.text("name", std::nullopt, max_name),
            user.text("password", std::nullopt, max_name),
            {permissions.begin(), permissions.end()}};
}

plc_cpu read_cpu(const json_reader& cpu) {
    cpu.allow_only({"operating_mode", "mode_selector"});
    return {cpu.text("operating_mode", "run", max_name), cpu.text("mode_selector", "run", max_name)};
}

runtime_information read_runtime(const json_reader& runtime) {
    runtime.allow_only({"current_cycle", "shortest_cycle", "longest_cycle", "configured_min_cycle",
                        "configured_max_cycle", "program_load_cyclic_percent",
                        "program_load_high_priority_percent", "communication_load_percent",
                        "max_communication_load_percent"});
    const runtime_information defaults;
    const auto percent = [&](const char* key, std::int64_t fallback) {
        return runtime.integer(key, fallback, 0, 100);
    };
    return {runtime.text("current_cycle", defaults.current_cycle, max_name),
            runtime.text("shortest_cycle", defaults.shortest_cycle, max_name),
            runtime.text("longest_cycle", defaults.longest_cycle, max_name),
            runtime.text("configured_min_cycle", defaults.configured_min_cycle, max_name),
            runtime.text("configured_max_cycle", defaults.configured_max_cycle, max_name),
            percent("program_load_cyclic_percent", defaults.program_load_cyclic_percent),
            percent("program_load_high_priority_percent", defaults.program_load_high_priority_percent),
            percent("communication_load_percent", defaults.communication_load_percent),
            percent("max_communication_load_percent", defaults.max_communication_load_percent)};
}

diagnostic_entry read_diagnostic_entry(const json_reader& entry) {
    entry.allow_only(
        {"timestamp", "status", "textlist_id", "text_id", "short_text", "long_text", "help_text"});
    return {entry.text("timestamp", std::nullopt, max_name),
            entry.text("status", "incoming", max_name),
            entry.integer("textlist_id", std::nullopt, 0, 0xFFFF),
            entry.integer("text_id", std::nullopt, 0, 0xFFFF),
            entry.text("short_text", "", max_text),
            entry.text("long_text", "", max_text),
            entry.optional_text("help_text", max_text)};
}

alarm read_alarm(const json_reader& entry) {
    entry.allow_only({"id", "alarm_number", "status", "timestamp", "producer", "origin", "acknowledgement",
                      "hwid", "alarm_text", "info_text"});
    if (entry.has("producer") == entry.has("origin"))
        entry.fail("producer", "give either producer or origin");
    alarm made;
    made.id = entry.unsigned_integer("id");
    made.alarm_number = entry.integer("alarm_number", std::nullopt, 0, INT32_MAX);
    made.status = entry.text("status", "incoming", max_name);
    made.timestamp = entry.text("timestamp", std::nullopt, max_name);
    made.producer_named_origin = entry.has("origin");
    made.producer = entry.text(made.producer_named_origin ? "origin" : "producer", std::nullopt, max_name);
    made.acknowledgement = entry.optional_text("acknowledgement", max_name);
    if (entry.has("hwid"))
        made.hwid = static_cast<std::int32_t>(entry.integer("hwid", std::nullopt, 1, max_hwid));
    made.alarm_text = entry.text("alarm_text", "", max_text);
    made.info_text = entry.text("info_text", "", max_text);
    return made;
}

// Nodes with their children; depth and count are checked before going deeper, so the recursion
// stays as shallow as the bound.
class hardware_reader {
public:
    std::vector<hardware_node> read(const json_reader& parent, const std::string& key, std::size_t depth) {
        if (depth > max_hardware_depth)
            parent.fail(key,
                        "the hardware tree is deeper than " + std::to_string(max_hardware_depth) + " levels");
        std::vector<hardware_node> nodes;
        for (const auto& element : parent.elements(key, max_hardware_nodes)) {
            if (++count_ > max_hardware_nodes)
                element.fail("hwid", "more than " + std::to_string(max_hardware_nodes) + " hardware nodes");
            nodes.push_back(read_node(element, depth));
        }
        return nodes;
    }

private:
    hardware_node read_node(const json_reader& node, std::size_t depth) {
        node.allow_only({"hwid", "name", "type", "subtype", "attributes", "status", "status_error",
                         "children_included", "children"});
        hardware_node made;
        made.hwid = static_cast<std::int32_t>(node.integer("hwid", std::nullopt, 1, max_hwid));
        if (!seen_.insert(made.hwid).second)
            node.fail("hwid", "hardware id " + std::to_string(made.hwid) + " given twice");
        made.name = node.text("name", std::nullopt, max_name);
        made.type = node.text("type", std::nullopt, max_name);
        made.subtype = node.text("subtype", "", max_name);
        made.attributes = node.texts("attributes", max_list, max_name);
        if (node.has("status")) {
            const auto status = node.object("status");
            status.allow_only({"own", "subordinate"});
            made.status.own = status.text("own", "good", max_name);
            made.status.subordinate = status.text("subordinate", "good", max_name);
        }
        made.status.error_code = node.integer("status_error", 0, INT32_MIN, INT32_MAX);
        made.children_included = node.flag("children_included", false);
        made.children = read(node, "children", depth + 1);
        return made;
    }

    std::size_t count_ = 0;
    std::unordered_set<std::int32_t> seen_;
};

template <typename Record, typename Read>
std::vector<Record> read_all(const std::vector<json_reader>& elements, Read read) {
    std::vector<Record> records;
    records.reserve(elements.size());
    for (const auto& element : elements) records.push_back(read(element));
    return records;
}

}  // namespace

s7web_scenario parse_scenario(const nlohmann::json& document) {
    const json_reader top(document, "");
    top.allow_only({"description", "api_version", "users", "sessions", "cpus", "runtime_information",
                    "diagnostic_buffer", "alarms", "hardware", "missing_methods", "restart_every_ms", "failures"});
    s7web_scenario scenario;
    scenario.description = top.text("description", "", max_text);
    scenario.api_version = top.number("api_version", scenario.api_version);
    scenario.users = read_all<web_api_user>(top.elements("users", max_users), read_user);
    if (scenario.users.empty()) top.fail("users", "expected at least one user");
    if (top.has("sessions")) {
        const auto sessions = top.object("sessions");
        sessions.allow_only({"lifetime_ms", "max_sessions"});
        scenario.sessions.lifetime =
            std::chrono::milliseconds(sessions.integer("lifetime_ms", 120'000, 1, max_lifetime_ms));
        scenario.sessions.max_sessions = static_cast<std::size_t>(
            sessions.integer("max_sessions", 50, 1, static_cast<std::int64_t>(max_sessions_cap)));
    }
    if (top.has("cpus")) {
        scenario.cpus = read_all<plc_cpu>(top.elements("cpus", 2), read_cpu);
        if (scenario.cpus.empty()) top.fail("cpus", "expected one CPU, or two for a redundant pair");
    }
    if (top.has("runtime_information")) scenario.runtime = read_runtime(top.object("runtime_information"));
    if (top.has("diagnostic_buffer")) {
        const auto buffer = top.object("diagnostic_buffer");
        buffer.allow_only({"capacity", "entries"});
        scenario.diagnostic_buffer_capacity = static_cast<std::size_t>(
            buffer.integer("capacity", 3200, 1, static_cast<std::int64_t>(max_diagnostic_entries)));
        scenario.diagnostic_buffer = read_all<diagnostic_entry>(
            buffer.elements("entries", scenario.diagnostic_buffer_capacity), read_diagnostic_entry);
    }
    if (top.has("alarms")) {
        const auto alarms = top.object("alarms");
        alarms.allow_only({"capacity", "active"});
        scenario.alarm_capacity = static_cast<std::size_t>(
            alarms.integer("capacity", 500, 1, static_cast<std::int64_t>(max_alarms)));
        scenario.alarms = read_all<alarm>(alarms.elements("active", scenario.alarm_capacity), read_alarm);
    }
    scenario.hardware = hardware_reader().read(top, "hardware", 1);
    for (const auto& method : top.texts("missing_methods", max_list, max_name)) {
        if (!is_web_api_method(method))
            top.fail("missing_methods", "\"" + method + "\" is no method of the Web API");
        scenario.missing_methods.insert(method);
    }
    scenario.restart_every =
        std::chrono::milliseconds(top.integer("restart_every_ms", 0, 0, max_restart_interval_ms));
    if (top.has("failures")) {
        const auto failures = top.object("failures");
        failures.allow_only({"wrong_password_code", "login_error", "http_status", "delay_ms", "cut_answers"});
        scenario.failures.wrong_password_code =
            failures.integer("wrong_password_code", 100, INT32_MIN, INT32_MAX);
        scenario.failures.login_error = failures.integer("login_error", 0, INT32_MIN, INT32_MAX);
        scenario.failures.http_status = static_cast<int>(failures.integer("http_status", 0, 0, 599));
        if (scenario.failures.http_status != 0 && scenario.failures.http_status < 300)
            failures.fail("http_status", "expected 0 (none) or an error status from 300 to 599");
        scenario.failures.delay = std::chrono::milliseconds(failures.integer("delay_ms", 0, 0, max_delay_ms));
        scenario.failures.cut_answers = failures.flag("cut_answers", false);
    }
    return scenario;
}

s7web_scenario parse_scenario_text(std::string_view text) {
    if (text.size() > max_scenario_bytes)
        throw scenario_error("larger than " + std::to_string(max_scenario_bytes) + " bytes");
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& error) {
        throw scenario_error(std::string("not JSON: ") + error.what());
    }
    return parse_scenario(document);
}

s7web_scenario load_scenario_file(const std::filesystem::path& file) {
    const std::string name = "scenario " + file.string() + ": ";
    std::ifstream input(file, std::ios::binary);
    if (!input) throw scenario_error(name + "cannot be read");
    // One byte more than allowed tells a file at the bound from a larger one without reading it all.
    std::string text(max_scenario_bytes + 1, '\0');
    input.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(input.gcount()));
    try {
        return parse_scenario_text(text);
    } catch (const scenario_error& error) {
        throw scenario_error(name + error.what());
    }
}

}  // namespace korvel::probekit::simulators
