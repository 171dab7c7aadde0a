#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "simulators/s7web_api/scenario.hpp"
#include "simulators/s7web_api/session_table.hpp"
#include "simulators/s7web_api/web_api_methods.hpp"

namespace korvel::probekit::simulators {

// The JSON-RPC side of the simulated controller: answers a POSTed body as the device would, each
// request under its own id, keeping the session table. Not thread-safe; the simulator serialises it.
class web_api_device {
public:
    using clock = session_table::clock;

    explicit web_api_device(s7web_scenario scenario);

    // The answer body to a POST of `body` that carried `token` as X-Auth-Token (empty when none).
    // A batch is judged by its own Api.Login when it holds one, by the token's session otherwise; a
    // refused login leaves the requests after it without rights.
    std::string answer(std::string_view body, std::string_view token, clock::time_point now);

    s7web_scenario& scenario() { return scenario_; }
    std::size_t live_sessions(clock::time_point now) { return sessions_.live(scenario_.sessions, now); }
    std::size_t logins() const { return logins_; }
    std::size_t refused_logins() const { return refused_logins_; }
    std::size_t requests() const { return requests_; }

private:
    nlohmann::ordered_json answer_request(const nlohmann::json& request,
                                          std::optional<std::string>& acting_user, clock::time_point now);
    method_outcome login(const nlohmann::json& params, std::optional<std::string>& acting_user,
                         clock::time_point now);
    bool may_read_diagnostics(const std::optional<std::string>& user) const;

    s7web_scenario scenario_;
    session_table sessions_;
    std::size_t logins_ = 0;
    std::size_t refused_logins_ = 0;
    std::size_t requests_ = 0;
};

}  // namespace korvel::probekit::simulators
