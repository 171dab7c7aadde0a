#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string>
#include <vector>

#include "simulators/https_server/https_test_server.hpp"
#include "simulators/s7web_api/scenario.hpp"

namespace korvel::probekit::simulators {

// A simulated S7-1200/1500 controller whose Web API answers JSON-RPC over HTTPS at /api/jsonrpc on
// 127.0.0.1, as the scenario describes it: logins open sessions in a table with a cap and a lifetime
// and write a security event into the diagnostic buffer, Api.Logout ends one, a request that needs
// rights answers error 2 without a login in its batch or a live session's token, answers carry their
// request's id, and methods the scenario's firmware lacks answer -32601. A restart (called, or every
// `restart_every` of the scenario) ends every session and changes the CPU id Api.Ping answers. The
// scenario can be changed while it serves, so a test can walk a sensor through a sequence of scans.
class s7web_api_simulator {
public:
    // With a certificate for 127.0.0.1 and localhost made at start, signed by `authority()`. An
    // idle connection is closed after `idle_close`, as a device's web server does after its keep-alive time.
    explicit s7web_api_simulator(s7web_scenario scenario, std::uint16_t port = 0,
                                 std::chrono::seconds idle_close = default_idle_close);
    s7web_api_simulator(s7web_scenario scenario, const pem_identity& identity, std::uint16_t port = 0,
                        std::chrono::seconds idle_close = default_idle_close);
    ~s7web_api_simulator();
    s7web_api_simulator(const s7web_api_simulator&) = delete;
    s7web_api_simulator& operator=(const s7web_api_simulator&) = delete;

    std::uint16_t port() const;
    // The authority that signed the certificate made at start; empty when one was given.
    const pem_identity& authority() const;

    std::size_t logins() const;          // successful ones, each of which opened a session
    std::size_t refused_logins() const;  // for whatever reason, no resources included
    std::size_t live_sessions() const;
    std::vector<std::string> session_users() const;  // the user of each live session
    std::size_t logouts() const;
    std::size_t security_events() const;  // written by logins into the diagnostic buffer
    std::size_t restarts() const;
    std::string cpu_id() const;  // what Api.Ping answers; new after each restart
    std::size_t requests() const;  // JSON-RPC requests, all batches together
    std::size_t batches() const;   // POSTs to the JSON-RPC path
    std::size_t tcp_connections() const;
    // The most recent HTTP requests, oldest first (at most the last 64).
    std::vector<http_request> received() const;

    // Changes seen by the next request. Redundancy ids count from 1; an id the scenario has no CPU
    // for, or a hardware id it has no node for, throws std::out_of_range.
    void set_operating_mode(const std::string& mode, int redundancy_id = 1);
    void set_mode_selector(const std::string& mode, int redundancy_id = 1);
    // As the newest alarm.
    void add_alarm(alarm entry);
    void remove_alarm(std::uint64_t id);
    // As the newest entry; the oldest leaves a full buffer.
    void add_diagnostic_entry(diagnostic_entry entry);
    void set_module_status(std::int32_t hwid, module_status_values status);
    void set_failures(injected_failures failures);
    // Ends every session and gives the CPU a new id, as a restart of the controller does.
    void restart();
    // Any other change, made under the simulator's lock.
    void change(const std::function<void(s7web_scenario&)>& edit);

private:
    struct state;
    std::unique_ptr<state> state_;
};

}  // namespace korvel::probekit::simulators
