#include "s7/s7web/request_batch.hpp"

#include <nlohmann/json.hpp>

namespace korvel::probekit::s7::s7web {
namespace {

// nlohmann::json keeps object members sorted by name: the alphabetical order the device is sent.
using json = nlohmann::json;

constexpr const char* language = "en-US";

std::string request(const std::string& id, const std::string& method, const json* params = nullptr) {
    json object{{"id", id}, {"jsonrpc", "2.0"}, {"method", method}};
    if (params) object["params"] = *params;
    return object.dump();
}

json excluding(std::initializer_list<const char*> attributes) {
    return json{{"attributes", json(attributes)}, {"mode", "exclude"}};
}

}  // namespace

request_batch& request_batch::add(const std::string& method) {
    requests_.push_back(request(method, method));
    return *this;
}

request_batch& request_batch::add(const std::string& method, int redundancy_id) {
    const json params{{"redundancy_id", redundancy_id}};
    requests_.push_back(request(method + "." + std::to_string(redundancy_id), method, &params));
    return *this;
}

request_batch& request_batch::add_alarms_browse(std::int64_t count) {
    const json params{{"count", count}, {"filters", excluding({"info_text"})}, {"language", language}};
    requests_.push_back(request("Alarms.Browse", "Alarms.Browse", &params));
    return *this;
}

request_batch& request_batch::add_diagnostic_buffer_browse(std::int64_t count) {
    const json params{{"count", count},
                      {"filters", excluding({"short_text", "long_text", "help_text"})},
                      {"language", language}};
    requests_.push_back(request("DiagnosticBuffer.Browse", "DiagnosticBuffer.Browse", &params));
    return *this;
}

request_batch& request_batch::add_modules_browse(std::optional<std::int64_t> hwid) {
    json params{{"mode", "children"}};
    if (hwid) params["hwid"] = *hwid;
    requests_.push_back(
        request("Modules.Browse." + (hwid ? std::to_string(*hwid) : std::string("root")), "Modules.Browse", &params));
    return *this;
}

request_batch& request_batch::add_modules_read_status(std::int64_t hwid) {
    const json params{{"hwid", hwid}, {"language", language}};
    requests_.push_back(request("Modules.ReadStatus." + std::to_string(hwid), "Modules.ReadStatus", &params));
    return *this;
}

std::string request_batch::body(const std::string& first) const {
    std::string text = "[";
    if (!first.empty()) text += first;
    for (const auto& element : requests_) {
        if (text.size() > 1) text += ',';
        text += element;
    }
    return text + "]";
}

}  // namespace korvel::probekit::s7::s7web
