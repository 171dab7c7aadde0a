#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace korvel::probekit::simulators {

// A Web API account. "read_diagnostics" lets it read everything the monitoring sensors read.
struct web_api_user {
    std::string name;
    std::string password;
    std::set<std::string> permissions;
};

// One CPU of the controller: a standard controller has one, a redundant R/H pair two, which answer
// under the redundancy ids 1 and 2.
struct plc_cpu {
    std::string operating_mode = "run";
    std::string mode_selector = "run";
};

// Durations are ISO 8601 texts as the device writes them ("PT0.000973S", "PT0S", "PT0.150S").
struct runtime_information {
    std::string current_cycle = "PT0.001S";
    std::string shortest_cycle = "PT0.001S";
    std::string longest_cycle = "PT0.002S";
    std::string configured_min_cycle = "PT0S";
    std::string configured_max_cycle = "PT0.150S";
    std::int64_t program_load_cyclic_percent = 0;
    std::int64_t program_load_high_priority_percent = 0;
    std::int64_t communication_load_percent = 0;
    std::int64_t max_communication_load_percent = 50;
};

struct diagnostic_entry {
    std::string timestamp;  // up to nine fractional digits, "2023-06-07T18:25:43.511854547Z"
    std::string status = "incoming";
    std::int64_t textlist_id = 0;
    std::int64_t text_id = 0;
    std::string short_text;
    std::string long_text;
    std::optional<std::string> help_text;  // some entries carry none
};

struct alarm {
    std::uint64_t id = 0;  // above 2^53 on real devices
    std::int64_t alarm_number = 0;
    std::string status = "incoming";
    std::string timestamp;
    std::string producer = "program_alarm";
    bool producer_named_origin = false;          // some firmware calls the member "origin"
    std::optional<std::string> acknowledgement;  // its state; alarms that need none carry no member
    std::optional<std::int32_t> hwid;
    std::string alarm_text;
    std::string info_text;
};

struct module_status_values {
    std::string own = "good";
    std::string subordinate = "good";
    std::int64_t error_code = 0;  // not 0: Modules.ReadStatus answers this JSON-RPC error instead
};

struct hardware_node {
    std::int32_t hwid = 0;
    std::string name;
    std::string type;     // "device", "module", "submodule", ...
    std::string subtype;  // "central_device", "cpu", ...
    std::vector<std::string> attributes;
    module_status_values status;
    // The browse that lists this node lists its children too (a station with its modules); otherwise
    // it says "has_children" and they need a browse of their own.
    bool children_included = false;
    std::vector<hardware_node> children;
};

struct session_limits {
    std::chrono::milliseconds lifetime{120'000};  // after the session's last use
    std::size_t max_sessions = 50;
};

struct injected_failures {
    std::int64_t wrong_password_code = 100;  // what a wrong user name or password gets
    std::int64_t login_error = 0;            // not 0: every login is refused with this code
    int http_status = 0;                     // not 0: every POST is answered with this HTTP status
    std::chrono::milliseconds delay{0};      // every answer leaves this much later
    bool cut_answers = false;                // every answer breaks off halfway and the connection closes
};

// One controller as its Web API shows it.
struct s7web_scenario {
    std::string description;
    double api_version = 3.1;
    std::vector<web_api_user> users;
    std::vector<plc_cpu> cpus{plc_cpu{}};
    runtime_information runtime;
    std::vector<diagnostic_entry> diagnostic_buffer;  // newest first
    std::size_t diagnostic_buffer_capacity = 3200;
    std::vector<alarm> alarms;
    std::size_t alarm_capacity = 500;
    std::vector<hardware_node> hardware;    // the nodes a browse of the root lists
    std::set<std::string> missing_methods;  // answered -32601, as by firmware without them
    session_limits sessions;
    // Not 0: the CPU restarts this long after it started or last restarted, ending every session.
    std::chrono::milliseconds restart_every{0};
    injected_failures failures;
};

// The node with this hardware id anywhere in the tree, or null.
hardware_node* find_node(std::vector<hardware_node>& nodes, std::int32_t hwid);
const hardware_node* find_node(const std::vector<hardware_node>& nodes, std::int32_t hwid);

}  // namespace korvel::probekit::simulators
