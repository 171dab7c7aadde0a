#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "libdeadline/deadline.hpp"
#include "liblog/log_interface.hpp"
#include "libparser/parser_interface.hpp"
#include "s7/s7web/request_batch.hpp"
#include "s7/s7web/s7web_client_settings.hpp"

namespace korvel::probekit::s7::s7web {

// A JSON-RPC session with one device's S7 Web API, shared by every sensor and check with equal
// settings. A controller has few sessions (50 on the smaller CPUs) and writes a security event into
// its diagnostic buffer for every login, so a client holds one session: it logs in only when it has no
// token or its token may have expired, sends every other batch with the token alone, and logs out
// when its last holder lets it go. Scans sharing the client log in once: one logs in, the others wait
// for its token. The mutex guards the session state only and is never held across network I/O.
class s7web_client {
public:
    using answers = std::vector<std::unique_ptr<libparser::parser_interface>>;
    using clock = std::chrono::steady_clock;
    using time_source = std::function<clock::time_point()>;

    // A controller ends a session 120 s after its last use; a token unused for longer than this is not
    // sent again, so a scan never spends a request on a session that may have gone.
    static constexpr std::chrono::seconds token_idle_limit{90};
    // How long the logout of a released client may hold up whoever released it.
    static constexpr std::chrono::seconds logout_budget{2};

    // `release_log` takes the line of a logout that failed; `now` is the clock the token's age is
    // measured with (tests pass their own).
    explicit s7web_client(s7web_client_settings settings,
                          std::shared_ptr<liblog::log_interface> release_log = {},
                          time_source now = clock::now);
    // Logs the session out when a token is held, within logout_budget; never throws.
    ~s7web_client();
    s7web_client(const s7web_client&) = delete;
    s7web_client& operator=(const s7web_client&) = delete;

    // Probes once per client that the device answers JSON-RPC (Api.Version); throws
    // api_protocol_not_supported when it does not, whatever the reason (logged at level 7).
    void ensure_api_supported(const libdeadline::deadline& deadline, liblog::log_interface* log = nullptr);

    // Sends the batch, with the login in front when the client holds no live token, and returns the
    // answers to the batch's requests in the order of the response. A batch sent on the token alone
    // and answered with error 2 is sent once more after a fresh login (the controller may have ended
    // the session). Throws the api_login_* error of a refused login, api_unexpected_error for a login
    // answer without a verdict, api_permission_denied for error 2 after a fresh login, the status and
    // transport errors of the REST client, the parse and query errors of a body that is no JSON array
    // of answers with ids, and deadline_exceeded when another scan's login outlasts the deadline.
    answers execute(request_batch batch, const libdeadline::deadline& deadline,
                    liblog::log_interface* log = nullptr);

    // For the login check: logs in on a session of its own (the shared one is left alone), reads the
    // user's rights with Api.GetPermissions and logs that session out again. Returns the rights, or
    // nothing when the firmware cannot list them; throws as execute does for the login.
    std::optional<std::vector<std::string>> check_login(const libdeadline::deadline& deadline,
                                                        liblog::log_interface* log = nullptr);

private:
    // How a call uses the session: with the login in front, or on the token of login `generation`.
    struct session_use {
        bool with_login = false;
        std::string token;
        std::uint64_t generation = 0;
        clock::time_point sent_at;
    };

    session_use take_session(std::optional<std::uint64_t> refused_generation,
                             const libdeadline::deadline& deadline);
    answers execute_with_login(const request_batch& batch, const libdeadline::deadline& deadline,
                               liblog::log_interface* log);
    void finish_login(const std::string* token, clock::time_point sent_at);
    void touch(const session_use& use);
    void drop_token(const std::string& token);
    // The body parsed as the array of answers, after the status check (and a trace dump of the
    // response when a log takes it). A request that cannot carry `token` drops it.
    answers post(std::string body, const std::string& token, const libdeadline::deadline& deadline,
                 liblog::log_interface* log);
    void log_out(const std::string& token, const libdeadline::deadline& deadline, liblog::log_interface* log);
    // Throws api_protocol_not_supported, with what failed, unless the device answers Api.Version.
    void probe(const libdeadline::deadline& deadline, liblog::log_interface* log);

    const s7web_client_settings settings_;
    const std::string login_request_;  // the same for every call: built once
    const std::shared_ptr<liblog::log_interface> release_log_;
    const time_source now_;
    std::mutex mutex_;
    std::condition_variable login_finished_;
    std::string token_;             // guarded by mutex_; empty: none
    std::uint64_t generation_ = 0;  // guarded by mutex_; counts the logins that gave a token
    clock::time_point last_used_;   // guarded by mutex_; when token_ was last sent and answered
    bool logging_in_ = false;       // guarded by mutex_; a call's login is on its way
    bool api_checked_ = false;      // guarded by mutex_
};

using s7web_client_factory = std::function<std::unique_ptr<s7web_client>(const s7web_client_settings&)>;

// Registered in the service container, which calls it once per distinct settings value still in use.
// A client's failed logout goes to `release_log` (none: not logged).
s7web_client_factory get_s7web_client_factory(
    std::function<std::shared_ptr<liblog::log_interface>()> release_log = {});

}  // namespace korvel::probekit::s7::s7web
