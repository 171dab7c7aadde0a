#include "simulators/s7web_api/web_api_device.hpp"

#include <algorithm>
#include <cstdio>
#include <ctime>

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

// "2026-12-06T18:25:43.511854547Z", as the device writes its diagnostic entries.
std::string utc_time_stamp(std::chrono::system_clock::time_point at) {
    const auto since_epoch = at.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since_epoch);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch - seconds);
    const std::time_t whole = static_cast<std::time_t>(seconds.count());
    std::tm parts{};
    gmtime_r(&whole, &parts);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    std::snprintf(text + length, sizeof text - length, ".%09lldZ", static_cast<long long>(nanoseconds.count()));
    return text;
}

}  // namespace

web_api_device::web_api_device(s7web_scenario scenario)
    : scenario_(std::move(scenario)), random_(std::random_device{}()), cpu_id_(new_cpu_id()),
      started_(clock::now()) {}

std::string web_api_device::answer(std::string_view body, std::string_view token, clock::time_point now) {
    restart_when_due(now);
    const json parsed = json::parse(body, nullptr, false);
    if (parsed.is_discarded()) return error_body(web_api_error::parse_error);
    // The token's session (which this use keeps alive) acts until a login in the batch decides anew.
    std::optional<acting_session> acting;
    if (!token.empty()) {
        if (auto user = sessions_.use(token, scenario_.sessions, now))
            acting = acting_session{std::string(token), std::move(*user)};
    }
    if (parsed.is_object()) return answer_request(parsed, acting, now).dump();
    if (!parsed.is_array() || parsed.empty() || parsed.size() > max_batch_requests)
        return error_body(web_api_error::invalid_request);
    ordered_json answers = ordered_json::array();
    for (const auto& request : parsed) answers.push_back(answer_request(request, acting, now));
    return answers.dump();
}

void web_api_device::restart(clock::time_point now) {
    sessions_.clear();
    cpu_id_ = new_cpu_id();
    started_ = now;
    ++restarts_;
}

void web_api_device::restart_when_due(clock::time_point now) {
    const auto every = scenario_.restart_every;
    if (every.count() > 0 && now - started_ >= every) restart(now);
}

ordered_json web_api_device::answer_request(const json& request, std::optional<acting_session>& acting,
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
    if (method == "Api.Login") return answer_with(id, login(params, acting, now));
    if (method == "Api.Logout") return answer_with(id, logout(acting));
    if (method == "Api.GetPermissions") return answer_with(id, permissions(acting));
    if (method == "Api.Ping") return answer_with(id, {cpu_id_});
    if (needs_read_diagnostics(method)) {
        const web_api_user* user = acting ? find_user(acting->user) : nullptr;
        if (user == nullptr || !user->permissions.contains("read_diagnostics"))
            return answer_with(id, {nullptr, web_api_error::permission_denied});
    }
    return answer_with(id, read_controller(method, params, scenario_));
}

method_outcome web_api_device::login(const json& params, std::optional<acting_session>& acting,
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
    acting.reset();
    if (!user || !password) return {nullptr, web_api_error::invalid_params};
    const web_api_user* known = find_user(*user);
    std::int64_t refusal = scenario_.failures.login_error;
    if (refusal == 0 && (known == nullptr || known->password != *password))
        refusal = scenario_.failures.wrong_password_code;
    std::optional<std::string> token;
    if (refusal == 0) token = sessions_.open(*user, scenario_.sessions, now);
    if (refusal == 0 && !token) refusal = web_api_error::no_resources;
    if (refusal != 0) {
        ++refused_logins_;
        return {nullptr, refusal};
    }
    ++logins_;
    write_security_event(*user);
    acting = acting_session{*token, *user};
    return {ordered_json{{"token", *token}}};
}

method_outcome web_api_device::logout(std::optional<acting_session>& acting) {
    if (!acting) return {nullptr, web_api_error::permission_denied};
    sessions_.close(acting->token);
    acting.reset();
    ++logouts_;
    return {true};
}

// The rights of the session's user, as the device lists them.
method_outcome web_api_device::permissions(const std::optional<acting_session>& acting) const {
    const web_api_user* user = acting ? find_user(acting->user) : nullptr;
    if (user == nullptr) return {nullptr, web_api_error::permission_denied};
    ordered_json listed = ordered_json::array();
    for (const auto& permission : user->permissions) listed.push_back({{"name", permission}});
    return {std::move(listed)};
}

const web_api_user* web_api_device::find_user(const std::string& name) const {
    const auto& users = scenario_.users;
    const auto found = std::find_if(users.begin(), users.end(),
                                    [&](const web_api_user& candidate) { return candidate.name == name; });
    return found == users.end() ? nullptr : &*found;
}

// The newest entry of the buffer, stamped with the wall-clock time (so it sorts after the scenario's
// entries), pushing the oldest out of a full buffer.
void web_api_device::write_security_event(const std::string& user) {
    auto& buffer = scenario_.diagnostic_buffer;
    buffer.insert(buffer.begin(), diagnostic_entry{utc_time_stamp(std::chrono::system_clock::now()),
                                                   "incoming",
                                                   security_event::textlist_id,
                                                   security_event::text_id,
                                                   "Security event: Web API login",
                                                   "Successful login to the Web API, user " + user,
                                                   std::nullopt});
    if (buffer.size() > scenario_.diagnostic_buffer_capacity) buffer.resize(scenario_.diagnostic_buffer_capacity);
    ++security_events_;
}

std::string web_api_device::new_cpu_id() {
    std::uniform_int_distribution<std::uint64_t> pick;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(pick(random_)));
    return text;
}

}  // namespace korvel::probekit::simulators
