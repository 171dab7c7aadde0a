#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "simulators/s7web_api/scenario.hpp"

namespace korvel::probekit::simulators {

// The controller's table of Web API sessions: every successful login opens one, every request that
// presents its token keeps it alive, and it ends a lifetime after its last use. A login finds no
// place while as many sessions as the cap allows are alive. Times are passed in, so the rules can be
// exercised without waiting.
class session_table {
public:
    using clock = std::chrono::steady_clock;

    session_table();

    // The token of a new session for the user, or nothing when the live sessions fill the table.
    std::optional<std::string> open(const std::string& user, const session_limits& limits,
                                    clock::time_point now);
    // The user of the live session with this token, whose lifetime starts anew; nothing when there
    // is no such session.
    std::optional<std::string> use(std::string_view token, const session_limits& limits,
                                   clock::time_point now);
    std::size_t live(const session_limits& limits, clock::time_point now);
    // The user of each live session, one entry per session, in no particular order.
    std::vector<std::string> users(const session_limits& limits, clock::time_point now);
    // Ends the session with this token (a logout); false when there is none.
    bool close(std::string_view token);
    // Ends every session, as a CPU restart does.
    void clear() { sessions_.clear(); }

private:
    struct session {
        std::string user;
        clock::time_point last_use;
    };

    void drop_expired(const session_limits& limits, clock::time_point now);
    std::string new_token();

    std::unordered_map<std::string, session> sessions_;
    std::mt19937_64 random_;
};

}  // namespace korvel::probekit::simulators
