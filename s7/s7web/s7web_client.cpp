#include "s7/s7web/s7web_client.hpp"

#include <nlohmann/json.hpp>

#include "libjsonparser/jsonpointer_parser.hpp"
#include "liblog/log_levels.hpp"
#include "libparser/query_or_default.hpp"
#include "libresthelper/check_status.hpp"
#include "libresthelper/response.hpp"
#include "libstringutils/hash_combine.hpp"
#include "s7/exceptions/exceptions.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

using libparser::parser_interface;
using libparser::query_or_default;

constexpr const char* jsonrpc_path = "/api/jsonrpc";
constexpr const char* content_type = "application/json; charset=utf-8";
constexpr const char* login_id = "Api.Login";
constexpr std::int64_t permission_denied = 2;

std::int64_t error_code(const parser_interface& answer) {
    return query_or_default(answer, &parser_interface::get_int64, "error.code", 0);
}

// The device's answer to a refused login.
[[noreturn]] void throw_login_error(std::int64_t code) {
    switch (code) {
        case 4:
            throw exceptions::api_login_no_resources();
        case 6:
            throw exceptions::api_login_not_accepted();
        case 102:
            throw exceptions::api_login_password_expired();
        case 105:
            throw exceptions::api_login_infrastructure_error();
        default:  // 100 and every code the device documents for nothing else
            throw exceptions::api_login_failed();
    }
}

std::string login_request(const s7web_client_settings& settings) {
    const nlohmann::json request{{"id", login_id},
                                 {"jsonrpc", "2.0"},
                                 {"method", login_id},
                                 {"params", {{"password", settings.password}, {"user", settings.username}}}};
    return request.dump();
}

}  // namespace

s7web_client::s7web_client(s7web_client_settings settings)
    : settings_(std::move(settings)), login_request_(login_request(settings_)) {}

s7web_client::answers s7web_client::post(std::string body, bool with_token, const libdeadline::deadline& deadline,
                                         liblog::log_interface* log) {
    libresthelper::request request(libresthelper::method::post, jsonrpc_path, std::move(body), content_type);
    if (with_token) {
        std::lock_guard lock(mutex_);
        if (!token_.empty()) request.headers.emplace("X-Auth-Token", token_);
    }
    const libresthelper::response response = settings_.rest_client->perform(request, deadline);
    if (log && log->enabled()) log->log(liblog::level::trace, libresthelper::to_string(response));
    libresthelper::check_status(response);
    return libjsonparser::jsonpointer_parser(response.body).get_array("");
}

s7web_client::answers s7web_client::execute(request_batch batch, const libdeadline::deadline& deadline,
                                            liblog::log_interface* log) {
    answers received = post(batch.body(login_request_), true, deadline, log);
    answers result;
    result.reserve(received.size());
    for (auto& answer : received) {
        if (answer->get_string("id") == login_id) {
            take_login_answer(*answer);
            continue;
        }
        if (error_code(*answer) == permission_denied) throw exceptions::api_permission_denied();
        result.push_back(std::move(answer));
    }
    return result;
}

void s7web_client::take_login_answer(const parser_interface& answer) {
    const std::int64_t code = error_code(answer);
    // 101: logged in, with a note the module does not need.
    if (code != 0 && code != 101) throw_login_error(code);
    std::string token = query_or_default(answer, &parser_interface::get_string, "result.token", "");
    if (token.empty()) return;
    std::lock_guard lock(mutex_);
    token_ = std::move(token);
}

bool s7web_client::probe(const libdeadline::deadline& deadline, liblog::log_interface* log) {
    try {
        const answers received = post(request_batch().add("Api.Version").body(), false, deadline, log);
        return !received.empty() && received.front()->get_string("id") == "Api.Version" &&
               received.front()->get_string("jsonrpc") == "2.0";
    } catch (const libdeadline::deadline_exceeded&) {
        throw;  // the scan's time is up: that is what it has to say, not a missing protocol
    } catch (const std::exception& error) {
        if (log && log->enabled()) log->log(liblog::level::trace, error.what());
        return false;
    }
}

void s7web_client::ensure_api_supported(const libdeadline::deadline& deadline, liblog::log_interface* log) {
    {
        std::lock_guard lock(mutex_);
        if (api_checked_) return;
    }
    if (!probe(deadline, log)) throw exceptions::api_protocol_not_supported();
    std::lock_guard lock(mutex_);
    api_checked_ = true;
}

s7web_client_factory get_s7web_client_factory() {
    return [](const s7web_client_settings& settings) { return std::make_unique<s7web_client>(settings); };
}

}  // namespace korvel::probekit::s7::s7web

std::size_t std::hash<korvel::probekit::s7::s7web::s7web_client_settings>::operator()(
    const korvel::probekit::s7::s7web::s7web_client_settings& settings) const noexcept {
    std::uint32_t seed = 0;
    korvel::probekit::libstringutils::combine(seed, settings.rest_client);
    korvel::probekit::libstringutils::combine(seed, settings.username);
    korvel::probekit::libstringutils::combine(seed, settings.password);
    return seed;
}
