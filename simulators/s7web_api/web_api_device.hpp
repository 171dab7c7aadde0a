#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "simulators/s7web_api/scenario.hpp"
#include "simulators/s7web_api/session_table.hpp"
#include "simulators/s7web_api/web_api_methods.hpp"

namespace korvel::probekit::simulators {

// The JSON-RPC side of the simulated controller: answers a POSTed body as the device would, each
// request under its own id, keeping the session table. Every successful login writes a security event
// into the diagnostic buffer, as the CPU does; a restart ends every session and changes the CPU id
// that Api.Ping answers. Not thread-safe; the simulator serialises it.
class web_api_device {
public:
    using clock = session_table::clock;

    explicit web_api_device(s7web_scenario scenario);

    // The answer body to a POST of `body` that carried `token` as X-Auth-Token (empty when none).
    // A batch is judged by its own Api.Login when it holds one, by the token's session otherwise; a
    // refused login leaves the requests after it without rights.
    std::string answer(std::string_view body, std::string_view token, clock::time_point now);

    // Ends every session and gives the CPU a new id, as a restart of the controller does.
    void restart(clock::time_point now);

    s7web_scenario& scenario() { return scenario_; }
    std::size_t live_sessions(clock::time_point now) { return sessions_.live(scenario_.sessions, now); }
    std::vector<std::string> session_users(clock::time_point now) {
        return sessions_.users(scenario_.sessions, now);
    }
    std::size_t logins() const { return logins_; }
    std::size_t refused_logins() const { return refused_logins_; }
    std::size_t logouts() const { return logouts_; }
    std::size_t security_events() const { return security_events_; }
    std::size_t restarts() const { return restarts_; }
    std::size_t requests() const { return requests_; }
    const std::string& cpu_id() const { return cpu_id_; }

private:
    // The session a request acts in: the token's, until a login in the batch decides anew.
    struct acting_session {
        std::string token;
        std::string user;
    };

    nlohmann::ordered_json answer_request(const nlohmann::json& request, std::optional<acting_session>& acting,
                                          clock::time_point now);
    method_outcome login(const nlohmann::json& params, std::optional<acting_session>& acting,
                         clock::time_point now);
    method_outcome logout(std::optional<acting_session>& acting);
    method_outcome permissions(const std::optional<acting_session>& acting) const;
    const web_api_user* find_user(const std::string& name) const;
    void write_security_event(const std::string& user);
    void restart_when_due(clock::time_point now);
    std::string new_cpu_id();

    s7web_scenario scenario_;
    session_table sessions_;
    std::mt19937_64 random_;
    std::string cpu_id_;
    clock::time_point started_;  // or last restarted
    std::size_t logins_ = 0;
    std::size_t refused_logins_ = 0;
    std::size_t logouts_ = 0;
    std::size_t security_events_ = 0;
    std::size_t restarts_ = 0;
    std::size_t requests_ = 0;
};

}  // namespace korvel::probekit::simulators
