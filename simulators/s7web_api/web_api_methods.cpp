#include "simulators/s7web_api/web_api_methods.hpp"

#include <algorithm>
#include <array>
#include <optional>
#include <set>

namespace korvel::probekit::simulators {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;
using handler = method_outcome (*)(const json& params, const s7web_scenario& scenario);

constexpr std::int64_t max_browse_count = 5000;
constexpr std::int64_t default_browse_count = 50;
constexpr std::size_t max_language = 16;

method_outcome invalid_params() {
    return {nullptr, web_api_error::invalid_params};
}

// The device echoes the language it was asked for, and "invalid" for one it cannot use.
std::string answered_language(const json& params) {
    const auto found = params.find("language");
    if (found == params.end()) return "en-US";
    if (!found->is_string() || found->get_ref<const std::string&>().empty() ||
        found->get_ref<const std::string&>().size() > max_language)
        return "invalid";
    return found->get<std::string>();
}

std::optional<std::int64_t> integer_param(const json& params, const char* name) {
    const auto found = params.find(name);
    if (found == params.end() || !found->is_number_integer()) return std::nullopt;
    return found->get<std::int64_t>();
}

// The CPU a mode read addresses: a standard controller refuses a redundancy id, a redundant pair
// wants one of 1 and 2.
const plc_cpu* addressed_cpu(const json& params, const s7web_scenario& scenario) {
    const bool given = params.contains("redundancy_id");
    const auto id = integer_param(params, "redundancy_id");
    if (scenario.cpus.size() == 1) return given ? nullptr : &scenario.cpus.front();
    if (!id || *id < 1 || *id > static_cast<std::int64_t>(scenario.cpus.size())) return nullptr;
    return &scenario.cpus[static_cast<std::size_t>(*id - 1)];
}

method_outcome api_version(const json&, const s7web_scenario& scenario) {
    return {scenario.api_version};
}

method_outcome operating_mode(const json& params, const s7web_scenario& scenario) {
    const plc_cpu* cpu = addressed_cpu(params, scenario);
    return cpu ? method_outcome{cpu->operating_mode} : invalid_params();
}

method_outcome mode_selector(const json& params, const s7web_scenario& scenario) {
    const plc_cpu* cpu = addressed_cpu(params, scenario);
    return cpu ? method_outcome{ordered_json{{"mode_selector", cpu->mode_selector}}} : invalid_params();
}

method_outcome runtime(const json&, const s7web_scenario& scenario) {
    const runtime_information& info = scenario.runtime;
    ordered_json result;
    result["load"]["actual"] = {
        {"program_load_cyclic_program_obs_percentage", info.program_load_cyclic_percent},
        {"program_load_high_priority_obs_percentage", info.program_load_high_priority_percent},
        {"current_communication_load_percentage", info.communication_load_percent}};
    result["load"]["configured"] = {
        {"max_communication_load_percentage", info.max_communication_load_percent}};
    result["cycle_time"]["actual"] = {
        {"shortest", info.shortest_cycle}, {"current", info.current_cycle}, {"longest", info.longest_cycle}};
    result["cycle_time"]["configured"] = {{"min", info.configured_min_cycle},
                                          {"max", info.configured_max_cycle}};
    return {result};
}

// The "filters" parameter of the browse methods: which members of each entry to leave out, or the
// only ones to keep.
struct attribute_filter {
    bool include = false;
    std::set<std::string> attributes;

    void apply(ordered_json& entry) const {
        for (auto member = entry.begin(); member != entry.end();) {
            if (attributes.contains(member.key()) != include)
                member = entry.erase(member);
            else
                ++member;
        }
    }
};

// Nothing when the filters are malformed; a filter that leaves everything when there are none.
std::optional<attribute_filter> read_filter(const json& params) {
    const auto found = params.find("filters");
    if (found == params.end()) return attribute_filter{};
    if (!found->is_object()) return std::nullopt;
    const auto mode = found->find("mode");
    const auto attributes = found->find("attributes");
    if (mode == found->end() || !(*mode == "include" || *mode == "exclude") || attributes == found->end() ||
        !attributes->is_array())
        return std::nullopt;
    attribute_filter filter{*mode == "include", {}};
    for (const auto& attribute : *attributes) {
        if (!attribute.is_string()) return std::nullopt;
        filter.attributes.insert(attribute.get<std::string>());
    }
    return filter;
}

std::optional<std::size_t> browse_count(const json& params) {
    if (!params.contains("count")) return static_cast<std::size_t>(default_browse_count);
    const auto count = integer_param(params, "count");
    if (!count || *count < 0 || *count > max_browse_count) return std::nullopt;
    return static_cast<std::size_t>(*count);
}

// Entries, newest first, as a browse lists them with its counters.
template <typename Entry, typename Write>
method_outcome browse(const json& params, const std::vector<Entry>& entries, std::size_t capacity,
                      Write write) {
    const auto count = browse_count(params);
    const auto filter = read_filter(params);
    if (!count || !filter) return invalid_params();
    ordered_json listed = ordered_json::array();
    std::string newest = "1970-01-01T00:00:00.000Z";
    for (const auto& entry : entries) newest = std::max(newest, entry.timestamp);
    for (std::size_t index = 0; index < std::min(*count, entries.size()); ++index) {
        ordered_json written = write(entries[index]);
        filter->apply(written);
        listed.push_back(std::move(written));
    }
    return {ordered_json{{"entries", std::move(listed)},
                         {"last_modified", newest},
                         {"count_current", entries.size()},
                         {"count_max", capacity},
                         {"language", answered_language(params)}}};
}

ordered_json diagnostic_answer(const diagnostic_entry& entry) {
    ordered_json written{{"timestamp", entry.timestamp},
                         {"status", entry.status},
                         {"long_text", entry.long_text},
                         {"short_text", entry.short_text}};
    if (entry.help_text) written["help_text"] = *entry.help_text;
    written["event"] = {{"textlist_id", entry.textlist_id}, {"text_id", entry.text_id}};
    return written;
}

method_outcome diagnostic_buffer(const json& params, const s7web_scenario& scenario) {
    return browse(params, scenario.diagnostic_buffer, scenario.diagnostic_buffer_capacity, diagnostic_answer);
}

ordered_json alarm_answer(const alarm& entry) {
    ordered_json written{{"id", entry.id},
                         {"alarm_number", entry.alarm_number},
                         {"status", entry.status},
                         {"timestamp", entry.timestamp},
                         {entry.producer_named_origin ? "origin" : "producer", entry.producer}};
    if (entry.hwid) written["hwid"] = *entry.hwid;
    if (entry.acknowledgement) written["acknowledgement"] = {{"state", *entry.acknowledgement}};
    written["alarm_text"] = entry.alarm_text;
    written["info_text"] = entry.info_text;
    written["text_inconsistent"] = false;
    return written;
}

method_outcome alarms(const json& params, const s7web_scenario& scenario) {
    return browse(params, scenario.alarms, scenario.alarm_capacity, alarm_answer);
}

// A node as a browse lists it: with its children when the device includes them (and then without
// "has_children"), or else saying whether it has any.
ordered_json node_answer(const hardware_node& node) {
    ordered_json written{{"hwid", node.hwid}, {"name", node.name}};
    if (!node.attributes.empty()) written["attributes"] = node.attributes;
    written["type"] = node.type;
    written["subtype"] = node.subtype;
    if (node.children_included && !node.children.empty()) {
        ordered_json children = ordered_json::array();
        for (const auto& child : node.children) children.push_back(node_answer(child));
        written["children"] = std::move(children);
    } else {
        written["has_children"] = !node.children.empty();
    }
    return written;
}

method_outcome modules_browse(const json& params, const s7web_scenario& scenario) {
    if (params.value("mode", json()) != "children") return invalid_params();
    const std::vector<hardware_node>* listed = &scenario.hardware;
    if (params.contains("hwid")) {
        const auto hwid = integer_param(params, "hwid");
        const hardware_node* node = hwid && *hwid > 0 && *hwid <= INT32_MAX
                                        ? find_node(scenario.hardware, static_cast<std::int32_t>(*hwid))
                                        : nullptr;
        if (!node) return invalid_params();
        listed = &node->children;
    }
    ordered_json nodes = ordered_json::array();
    for (const auto& node : *listed) nodes.push_back(node_answer(node));
    return {ordered_json{{"nodes", std::move(nodes)}}};
}

method_outcome modules_read_status(const json& params, const s7web_scenario& scenario) {
    const auto hwid = integer_param(params, "hwid");
    const hardware_node* node = hwid && *hwid > 0 && *hwid <= INT32_MAX
                                    ? find_node(scenario.hardware, static_cast<std::int32_t>(*hwid))
                                    : nullptr;
    if (!node) return invalid_params();
    if (node->status.error_code != 0) return {nullptr, node->status.error_code};
    return {ordered_json{{"status", {{"own", node->status.own}, {"subordinate", node->status.subordinate}}},
                         {"messages", ordered_json::array()},
                         {"language", answered_language(params)}}};
}

struct method_entry {
    std::string_view name;
    bool needs_read_diagnostics;
    handler answer;  // null for the methods the device itself answers (sessions, CPU id)
};

constexpr std::array<method_entry, 12> methods{{
    {"Api.Login", false, nullptr},
    {"Api.Logout", false, nullptr},
    {"Api.GetPermissions", false, nullptr},
    {"Api.Ping", false, nullptr},
    {"Api.Version", false, api_version},
    {"Plc.ReadOperatingMode", true, operating_mode},
    {"Plc.ReadModeSelectorState", true, mode_selector},
    {"Plc.ReadRuntimeInformation", true, runtime},
    {"DiagnosticBuffer.Browse", true, diagnostic_buffer},
    {"Alarms.Browse", true, alarms},
    {"Modules.Browse", true, modules_browse},
    {"Modules.ReadStatus", true, modules_read_status},
}};

const method_entry* find_method(std::string_view name) {
    const auto found = std::find_if(methods.begin(), methods.end(),
                                    [name](const auto& entry) { return entry.name == name; });
    return found == methods.end() ? nullptr : &*found;
}

}  // namespace

bool is_web_api_method(std::string_view method) {
    return find_method(method) != nullptr;
}

bool needs_read_diagnostics(std::string_view method) {
    const method_entry* entry = find_method(method);
    return entry != nullptr && entry->needs_read_diagnostics;
}

method_outcome read_controller(std::string_view method, const json& params, const s7web_scenario& scenario) {
    const method_entry* entry = find_method(method);
    if (entry == nullptr || entry->answer == nullptr) return {nullptr, web_api_error::method_not_found};
    return entry->answer(params, scenario);
}

}  // namespace korvel::probekit::simulators
