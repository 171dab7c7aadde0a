#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

#include "simulators/s7web_api/scenario.hpp"

namespace korvel::probekit::simulators {

// JSON-RPC error codes the device answers with.
namespace web_api_error {
constexpr std::int64_t permission_denied = 2;
constexpr std::int64_t no_resources = 4;
constexpr std::int64_t parse_error = -32700;
constexpr std::int64_t invalid_request = -32600;
constexpr std::int64_t method_not_found = -32601;
constexpr std::int64_t invalid_params = -32602;
}  // namespace web_api_error

// The diagnostic buffer entry a login writes: the security event's own text id, distinct from the
// cycle-time events the CPU status sensor looks for.
namespace security_event {
constexpr std::int64_t textlist_id = 2;
constexpr std::int64_t text_id = 0x6810;
}  // namespace security_event

// A method's result, or the JSON-RPC error code that replaces it.
struct method_outcome {
    nlohmann::ordered_json result;
    std::int64_t error = 0;
};

// Whether the simulated firmware knows the method at all (before a scenario takes some away).
bool is_web_api_method(std::string_view method);
// Whether calling it needs a session whose user holds the "read_diagnostics" permission.
bool needs_read_diagnostics(std::string_view method);
// The answer of one of the methods that read the controller's state: every method but the Api
// methods that act on the session table or the CPU's identity (Login, Logout, GetPermissions, Ping).
method_outcome read_controller(std::string_view method, const nlohmann::json& params,
                               const s7web_scenario& scenario);

}  // namespace korvel::probekit::simulators
