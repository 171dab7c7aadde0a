#include "s7/s7web/s7web_client.hpp"

#include <algorithm>
#include <exception>
#include <nlohmann/json.hpp>

#include "libjsonparser/simdjson_pointer_parser.hpp"
#include "liblog/log_levels.hpp"
#include "libresthelper/check_status.hpp"
#include "libresthelper/exceptions.hpp"
#include "libresthelper/response.hpp"
#include "libstringutils/hash_combine.hpp"
#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/answer_reading.hpp"
#include "s7/s7web/login_verdict.hpp"

namespace korvel::probekit::s7::s7web {
namespace {

using libi18n::because;

constexpr const char* jsonrpc_path = "/api/jsonrpc";
constexpr const char* content_type = "application/json; charset=utf-8";
constexpr const char* permissions_id = "Api.GetPermissions";
constexpr std::int64_t permission_denied = 2;
// More rights than a device defines; a longer list is not a device's.
constexpr std::size_t max_permissions = 256;
constexpr std::size_t max_permission_length = 64;

std::string login_request(const s7web_client_settings& settings) {
    const nlohmann::json request{{"id", login_id},
                                 {"jsonrpc", "2.0"},
                                 {"method", login_id},
                                 {"params", {{"password", settings.password}, {"user", settings.username}}}};
    return request.dump();
}

// The first answer that carries error 2, or null.
const libparser::parser_interface* first_denial(const s7web_client::answers& received) {
    const auto found = std::find_if(received.begin(), received.end(), [](const auto& answer) {
        return error_code_of(*answer) == permission_denied;
    });
    return found == received.end() ? nullptr : found->get();
}

[[noreturn]] void throw_denied(const libparser::parser_interface& answer) {
    throw exceptions::api_permission_denied(error_cause_of(answer));
}

// The answers to the batch's own requests: every answer but the login's, each with an id.
s7web_client::answers without_login(s7web_client::answers received) {
    s7web_client::answers result;
    result.reserve(received.size());
    for (auto& answer : received) {
        if (answer->get_string("id") != login_id) result.push_back(std::move(answer));
    }
    return result;
}

// The rights an Api.GetPermissions answer lists, or nothing when the firmware lacks the method.
std::optional<std::vector<std::string>> listed_permissions(const s7web_client::answers& received) {
    const auto found = std::find_if(received.begin(), received.end(), [](const auto& answer) {
        return text_or_empty(*answer, "id") == permissions_id;
    });
    if (found == received.end())
        throw exceptions::api_unexpected_error(because{"no answer to Api.GetPermissions"});
    if (!answers_optional_method(**found)) return std::nullopt;
    std::vector<std::string> names;
    for (const auto& entry :
         bounded_array<exceptions::api_unexpected_error>(**found, "result", max_permissions))
        names.push_back(
            bounded_text<exceptions::api_unexpected_error>(*entry, "name", max_permission_length));
    return names;
}

}  // namespace

s7web_client::s7web_client(s7web_client_settings settings, std::shared_ptr<liblog::log_interface> release_log,
                           time_source now)
    : settings_(std::move(settings)),
      login_request_(login_request(settings_)),
      release_log_(std::move(release_log)),
      now_(std::move(now)) {}

s7web_client::~s7web_client() {
    // The last holder is gone, so nothing else uses the state any more.
    if (token_.empty()) return;
    try {
        log_out(token_, libdeadline::deadline::after(logout_budget), nullptr);
    } catch (const std::exception& error) {
        if (release_log_ && release_log_->enabled())
            release_log_->log(liblog::level::warning,
                              std::string("The Web API session could not be logged out: ") + error.what());
    } catch (...) {
    }
}

s7web_client::answers s7web_client::post(std::string body, const std::string& token,
                                         const libdeadline::deadline& deadline, liblog::log_interface* log) {
    libresthelper::request request(libresthelper::method::post, jsonrpc_path, std::move(body), content_type);
    if (!token.empty()) request.headers.emplace("X-Auth-Token", token);
    libresthelper::response response;
    try {
        response = settings_.rest_client->perform(request, deadline);
    } catch (const libresthelper::exceptions::add_header_failed&) {
        // A token that cannot be sent would fail every later call alike: the next one logs in.
        if (!token.empty()) drop_token(token);
        throw;
    }
    if (log && log->enabled()) log->log(liblog::level::trace, libresthelper::to_string(response));
    libresthelper::check_status(response);
    return libjsonparser::parse_json_document(response.body)->get_array("");
}

s7web_client::answers s7web_client::execute(request_batch batch, const libdeadline::deadline& deadline,
                                            liblog::log_interface* log) {
    std::optional<std::uint64_t> refused;
    for (;;) {
        const session_use use = take_session(refused, deadline);
        if (use.with_login) return execute_with_login(batch, deadline, log);
        answers received = post(batch.body(), use.token, deadline, log);
        const auto* denial = first_denial(received);
        if (denial == nullptr) {
            touch(use);
            return without_login(std::move(received));
        }
        // A token fresher than the refused one was refused too: the user lacks the right.
        if (refused) throw_denied(*denial);
        refused = use.generation;
        drop_token(use.token);
    }
}

s7web_client::session_use s7web_client::take_session(std::optional<std::uint64_t> refused_generation,
                                                     const libdeadline::deadline& deadline) {
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto now = now_();
        const bool fresh_enough = !refused_generation || generation_ > *refused_generation;
        if (!token_.empty() && fresh_enough && now - last_used_ <= token_idle_limit)
            return {false, token_, generation_, now};
        if (!logging_in_) {
            logging_in_ = true;
            return {true, {}, 0, now};
        }
        // Another scan is logging in: its token serves this one too.
        if (!login_finished_.wait_until(lock, deadline.at(), [this] { return !logging_in_; }))
            throw libdeadline::deadline_exceeded(deadline, "Another scan's Web API login had not finished.");
    }
}

s7web_client::answers s7web_client::execute_with_login(const request_batch& batch,
                                                       const libdeadline::deadline& deadline,
                                                       liblog::log_interface* log) {
    const auto sent_at = now_();
    answers received;
    std::string token;
    try {
        received = post(batch.body(login_request_), {}, deadline, log);
        token = login_token(received);
    } catch (...) {
        finish_login(nullptr, sent_at);
        throw;
    }
    finish_login(&token, sent_at);
    if (const auto* denial = first_denial(received)) throw_denied(*denial);
    return without_login(std::move(received));
}

void s7web_client::finish_login(const std::string* token, clock::time_point sent_at) {
    {
        std::lock_guard lock(mutex_);
        logging_in_ = false;
        if (token) {
            token_ = *token;
            ++generation_;
            last_used_ = sent_at;
        }
    }
    login_finished_.notify_all();
}

void s7web_client::touch(const session_use& use) {
    std::lock_guard lock(mutex_);
    if (generation_ == use.generation) last_used_ = std::max(last_used_, use.sent_at);
}

void s7web_client::drop_token(const std::string& token) {
    std::lock_guard lock(mutex_);
    if (token_ == token) token_.clear();
}

std::optional<std::vector<std::string>> s7web_client::check_login(const libdeadline::deadline& deadline,
                                                                  liblog::log_interface* log) {
    const answers received =
        post(request_batch().add(permissions_id).body(login_request_), {}, deadline, log);
    const std::string token = login_token(received);
    std::optional<std::vector<std::string>> permissions;
    std::exception_ptr unreadable;
    try {
        permissions = listed_permissions(received);
    } catch (...) {
        unreadable = std::current_exception();
    }
    // The check's session ends here whatever the rights say; a logout that fails only costs the
    // session the rest of its lifetime.
    try {
        log_out(token, deadline, log);
    } catch (const std::exception& error) {
        if (log && log->enabled())
            log->log(liblog::level::warning,
                     std::string("The Web API session could not be logged out: ") + error.what());
    }
    if (unreadable) std::rethrow_exception(unreadable);
    return permissions;
}

void s7web_client::log_out(const std::string& token, const libdeadline::deadline& deadline,
                           liblog::log_interface* log) {
    const answers received = post(request_batch().add("Api.Logout").body(), token, deadline, log);
    for (const auto& answer : received) {
        if (error_code_of(*answer) != 0) throw exceptions::api_unexpected_error(error_cause_of(*answer));
    }
}

void s7web_client::probe(const libdeadline::deadline& deadline, liblog::log_interface* log) {
    // What kept the device from answering as a Web API, in a few words: a user fixes a refused port
    // differently from an untrusted certificate or a web server that is something else.
    std::string cause;
    try {
        const answers received = post(request_batch().add("Api.Version").body(), {}, deadline, log);
        if (!received.empty() && received.front()->get_string("id") == "Api.Version" &&
            received.front()->get_string("jsonrpc") == "2.0")
            return;
        cause = "no JSON-RPC answer to Api.Version";
    } catch (const libdeadline::deadline_exceeded&) {
        throw;  // the scan's time is up: that is what it has to say, not a missing protocol
    } catch (const libresthelper::exceptions::exception& error) {
        if (log && log->enabled()) log->log(liblog::level::trace, error.what());
        cause = error.cause();
    } catch (const std::exception& error) {
        if (log && log->enabled()) log->log(liblog::level::trace, error.what());
        cause = "the answer to Api.Version is not JSON-RPC";
    }
    if (cause.empty()) throw exceptions::api_protocol_not_supported();
    throw exceptions::api_protocol_not_supported(because{cause});
}

void s7web_client::ensure_api_supported(const libdeadline::deadline& deadline, liblog::log_interface* log) {
    {
        std::lock_guard lock(mutex_);
        if (api_checked_) return;
    }
    probe(deadline, log);
    std::lock_guard lock(mutex_);
    api_checked_ = true;
}

s7web_client_factory get_s7web_client_factory(
    std::function<std::shared_ptr<liblog::log_interface>()> release_log) {
    return [release_log = std::move(release_log)](const s7web_client_settings& settings) {
        return std::make_unique<s7web_client>(settings, release_log ? release_log() : nullptr);
    };
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
