#pragma once

#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>

#include "simulators/https_server/https_test_server.hpp"

namespace s7web_records_test {

using korvel::probekit::simulators::http_answer;
using korvel::probekit::simulators::http_request;
using nlohmann::json;

inline http_answer json_answer(const json& body) {
    return {200, body.dump(), "application/json", {}};
}

// A device that answers the version probe and logs in with a token, unless the test says otherwise.
class web_api_device {
public:
    using script = std::function<http_answer(const json& batch)>;

    web_api_device()
        : server_(certificates(), [this](const http_request& request) {
              std::lock_guard lock(mutex_);
              return script_(json::parse(request.body));
          }) {}

    void answer_with(script replies) {
        std::lock_guard lock(mutex_);
        script_ = std::move(replies);
    }
    std::uint16_t port() const { return server_.port(); }
    std::size_t requests() const { return server_.requests(); }

    static http_answer logged_in(const json& batch) {
        json answers = json::array();
        for (const auto& request : batch) {
            answers.push_back(
                {{"id", request.at("id")},
                 {"jsonrpc", "2.0"},
                 {"result", request.at("method") == "Api.Version" ? json(2.0) : json{{"token", "T0k.en+"}}}});
        }
        return json_answer(answers);
    }

private:
    static const korvel::probekit::simulators::pem_identity& certificates() {
        static const auto set = korvel::probekit::simulators::generate_test_certificates();
        return set.server;
    }

    std::mutex mutex_;
    script script_ = logged_in;
    korvel::probekit::simulators::https_test_server server_;
};

}  // namespace s7web_records_test
