#include "simulators/s7web_api/web_api_device.hpp"

#include <algorithm>

namespace korvel::probekit::simulators {
namespace {

using nlohmann::json;
using nlohmann::ordered_json;

// More requests than the hardware sensor sends for a large plant, far fewer than a flood.
constexpr std::size_t max_batch_requests = 1000;
constexpr std::size_t max_credential_length = 256;

// The texts devices send with their error codes.
std::string error_message(std::int64_t code) {
    switch (code) {
        case 1:
            return "Internal error";
        case 2:
            return "Permission denied";
        case 3:
            return "System is busy";
        case 4:
            return "No Resources";
        case 6:
            return "Login not accepted";
        case 100:
            return "Login Failed";
        case 102:
            return "Password expired";
        case 105:
            return "Authentication on the user management server was not successful.";
        case web_api_error::parse_error:
            return "Parse error";
        case web_api_error::invalid_request:
            return "Invalid Request";
        case web_api_error::method_not_found:
            return "Method not found";
        case web_api_error::invalid_params:
            return "Invalid Params";
        default:
            return "Error";
    }
}

// Members in the order devices write them.
ordered_json answer_with(const json& id, method_outcome outcome) {
    ordered_json answer{{"jsonrpc", "2.0"}, {"id", id}};
    if (outcome.error != 0)
        answer["error"] = {{"code", outcome.error}, {"message", error_message(outcome.error)}};
    else
        answer["result"] = std::move(outcome.result);
    return answer;
}

std::string error_body(std::int64_t code) {
    return answer_with(nullptr, {nullptr, code}).dump();
}

}  // namespace

web_api_device::web_api_device(s7web_scenario scenario) : scenario_(std::move(scenario)) {}

std::string web_api_device::answer(std::string_view body, std::string_view token, clock::time_point now) {
    const json parsed = json::parse(body, nullptr, false);
    if (parsed.is_discarded()) return error_body(web_api_error::parse_error);
    // Whose rights the batch's requests have: the token's session (which this use keeps alive) until
    // a login in the batch decides anew.
    std::optional<std::string> acting_user;
    if (!token.empty()) acting_user = sessions_.use(token, scenario_.sessions, now);
    if (parsed.is_object()) return answer_request(parsed, acting_user, now).dump();
    if (!parsed.is_array() || parsed.empty() || parsed.size() > max_batch_requests)
        return error_body(web_api_error::invalid_request);
    ordered_json answers = ordered_json::array();
    for (const auto& request : parsed) answers.push_back(answer_request(request, acting_user, now));
    return answers.dump();
}

ordered_json web_api_device::answer_request(const json& request, std::optional<std::string>& acting_user,
                                            clock::time_point now) {
    ++requests_;
    const json id = request.is_object() ? request.value("id", json()) : json();
    const bool well_formed = request.is_object() && request.value("jsonrpc", json()) == "2.0" &&
                             request.contains("method") && request["method"].is_string() &&
                             (!request.contains("params") || request["params"].is_object());
    if (!well_formed) return answer_with(id, {nullptr, web_api_error::invalid_request});
    const std::string method = request["method"].get<std::string>();
    const json params = request.value("params", json::object());
    if (!is_web_api_method(method) || scenario_.missing_methods.contains(method))
        return answer_with(id, {nullptr, web_api_error::method_not_found});
    if (method == "Api.Login") return answer_with(id, login(params, acting_user, now));
    if (needs_read_diagnostics(method) && !may_read_diagnostics(acting_user))
        return answer_with(id, {nullptr, web_api_error::permission_denied});
    return answer_with(id, read_controller(method, params, scenario_));
}

method_outcome web_api_device::login(const json& params, std::optional<std::string>& acting_user,
                                     clock::time_point now) {
    const auto credential = [&params](const char* name) -> std::optional<std::string> {
        const auto found = params.find(name);
        if (found == params.end() || !found->is_string() ||
            found->get_ref<const std::string&>().size() > max_credential_length)
            return std::nullopt;
        return found->get<std::string>();
    };
    const auto user = credential("user");
    const auto password = credential("password");
    // Whatever follows a refused login in the batch has no rights.
    acting_user.reset();
    if (!user || !password) return {nullptr, web_api_error::invalid_params};
    const auto& users = scenario_.users;
    const bool known = std::any_of(users.begin(), users.end(), [&](const web_api_user& candidate) {
        return candidate.name == *user && candidate.password == *password;
    });
    std::int64_t refusal = scenario_.failures.login_error;
    if (refusal == 0 && !known) refusal = scenario_.failures.wrong_password_code;
    std::optional<std::string> token;
    if (refusal == 0) token = sessions_.open(*user, scenario_.sessions, now);
    if (refusal == 0 && !token) refusal = web_api_error::no_resources;
    if (refusal != 0) {
        ++refused_logins_;
        return {nullptr, refusal};
    }
    ++logins_;
    acting_user = user;
    return {ordered_json{{"token", *token}}};
}

bool web_api_device::may_read_diagnostics(const std::optional<std::string>& user) const {
    if (!user) return false;
    const auto& users = scenario_.users;
    return std::any_of(users.begin(), users.end(), [&](const web_api_user& candidate) {
        return candidate.name == *user && candidate.permissions.contains("read_diagnostics");
    });
}

}  // namespace korvel::probekit::simulators
