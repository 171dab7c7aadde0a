#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "libdeadline/deadline.hpp"
#include "liblog/log_interface.hpp"
#include "libparser/parser_interface.hpp"
#include "s7/s7web/request_batch.hpp"
#include "s7/s7web/s7web_client_settings.hpp"

namespace korvel::probekit::s7::s7web {

// A JSON-RPC session with one device's S7 Web API, shared by every sensor and check with equal
// settings. Every call logs in anew (the login request leads each batch) and sends the token of the
// last successful login as X-Auth-Token. The mutex guards only the token and the probe flag and is
// never held across network I/O, so calls on one client run in parallel.
class s7web_client {
public:
    using answers = std::vector<std::unique_ptr<libparser::parser_interface>>;

    explicit s7web_client(s7web_client_settings settings);

    // Probes once per client that the device answers JSON-RPC (Api.Version); throws
    // api_protocol_not_supported when it does not, whatever the reason (logged at level 7).
    void ensure_api_supported(const libdeadline::deadline& deadline, liblog::log_interface* log = nullptr);

    // Sends the login and the batch and returns the answers to the batch's requests in the order of
    // the response. Throws the api_login_* error of a refused login, api_permission_denied when any
    // answer carries error 2, the status and transport errors of the REST client, the parse and
    // query errors of a body that is no JSON array of answers with ids.
    answers execute(request_batch batch, const libdeadline::deadline& deadline,
                    liblog::log_interface* log = nullptr);

private:
    // The body parsed as the array of answers, after the status check (and a trace dump of the
    // response when a log takes it).
    answers post(std::string body, bool with_token, const libdeadline::deadline& deadline,
                 liblog::log_interface* log);
    bool probe(const libdeadline::deadline& deadline, liblog::log_interface* log);
    void take_login_answer(const libparser::parser_interface& answer);

    const s7web_client_settings settings_;
    const std::string login_request_;  // the same for every call: built once
    std::mutex mutex_;
    std::string token_;         // guarded by mutex_
    bool api_checked_ = false;  // guarded by mutex_
};

using s7web_client_factory = std::function<std::unique_ptr<s7web_client>(const s7web_client_settings&)>;

// Registered in the service container, which calls it once per distinct settings value still in use.
s7web_client_factory get_s7web_client_factory();

}  // namespace korvel::probekit::s7::s7web
