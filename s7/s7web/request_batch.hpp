#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvel::probekit::s7::s7web {

// The JSON-RPC requests of one Web API call, each already written as compact JSON with its members
// (and those of its parameters) in alphabetical order. Each request's id is derived from its method,
// so answers are found by id, never by position. The login request is not added here: execute puts
// it first.
class request_batch {
public:
    request_batch& add(const std::string& method);
    // For one CPU of a redundant system: id "<method>.<n>", params {"redundancy_id": n}.
    request_batch& add(const std::string& method, int redundancy_id);
    request_batch& add_alarms_browse(std::int64_t count);
    request_batch& add_diagnostic_buffer_browse(std::int64_t count);
    // The children of the node with this hardware id, or of the root when there is none.
    request_batch& add_modules_browse(std::optional<std::int64_t> hwid);
    request_batch& add_modules_read_status(std::int64_t hwid);

    const std::vector<std::string>& requests() const { return requests_; }

    // The HTTP body: a JSON array of `first` (when not empty) and then the batch's requests.
    std::string body(const std::string& first = {}) const;

private:
    std::vector<std::string> requests_;
};

}  // namespace korvel::probekit::s7::s7web
