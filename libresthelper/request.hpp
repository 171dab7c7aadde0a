#pragma once

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace korvel::probekit::libresthelper {

enum class method : int { get = 0, head = 1, post = 2 };

// One HTTP request, relative to the base URL of the client that performs it.
struct request {
    libresthelper::method method = libresthelper::method::get;
    std::string path;                                        // appended to the base URL, e.g. "/api/jsonrpc"
    std::string body;                                        // sent only with post
    std::vector<std::pair<std::string, std::string>> query;  // URL-encoded and appended in this order
    std::unordered_map<std::string, std::string> headers;    // after the client's default headers
    std::unordered_map<std::string, std::string> cookies;

    request() = default;
    request(libresthelper::method method_, std::string path_, std::string body_ = {})
        : method(method_), path(std::move(path_)), body(std::move(body_)) {}
    // Adds the header "Content-Type" with `content_type`.
    request(libresthelper::method method_, std::string path_, std::string body_,
            const std::string& content_type)
        : request(method_, std::move(path_), std::move(body_)) {
        headers.emplace("Content-Type", content_type);
    }
};

}  // namespace korvel::probekit::libresthelper
