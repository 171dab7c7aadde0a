#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "host/harness/module_library.hpp"

// Sensors through the real module library's exports, as the host drives them; the settings blocks are
// those of the S7-300/400 kinds.
namespace s7_sensor_scans {

using json = nlohmann::json;

inline constexpr const char* cpu_status = "simatic_s7_300_400_cpu_status_sensor";
inline constexpr const char* restart_overview = "simatic_s7_300_400_cpu_restart_overview_sensor";
inline constexpr const char* led_status = "simatic_s7_300_400_led_status_sensor";

// A sensor of the kind for the CPU at 127.0.0.1:port, rack 0, slot 2, with a receive timeout of 1 s and
// no retries; `overrides` adds or replaces settings.
inline json block(const std::string& kind, std::uint16_t port, const json& overrides = json::object(),
                  const json& persistent = json::object()) {
    json settings{{"host", "127.0.0.1"},
                  {"timeout", "60"},
                  {"connection_section.rack", "0"},
                  {"connection_section.slot", "2"},
                  {"connection_section.port", std::to_string(port)},
                  {"connection_section.receive_timeout_ms", "1000"},
                  {"connection_section.retry", "noretry"},
                  {"connection_section.retry_delay_ms", "0"}};
    settings.merge_patch(overrides);
    return {{"kind", kind},
            {"settings", settings},
            {"channels", json::object()},
            {"persistent_data", persistent}};
}

// The scan or error result of each sensor among the messages; every other message goes to `others`.
inline std::map<int, json> results(const std::vector<std::string>& messages,
                                   std::vector<json>* others = nullptr) {
    std::map<int, json> found;
    for (const auto& text : messages) {
        auto message = json::parse(text);
        if (message.at("type") == "scan_result" || message.at("type") == "error_result") {
            const int id = message.at("sensor_id");
            EXPECT_FALSE(found.contains(id)) << "one result per scan";
            found[id] = std::move(message);
        } else if (others != nullptr) {
            others->push_back(message);
        }
    }
    return found;
}

// Scans one sensor; returns its result, an empty object when there was none.
inline json scan(korvel::probekit::host::module_library& module, int id,
                 std::vector<json>* others = nullptr) {
    module.take_messages();
    EXPECT_EQ(module.scan(id), 0);
    const auto found = results(module.take_messages(), others);
    return found.contains(id) ? found.at(id) : json::object();
}

// Scans one sensor as `scan` does, and checks that no message of the scan holds `secret`.
inline json scan_keeping(korvel::probekit::host::module_library& module, int id, const std::string& secret) {
    module.take_messages();
    EXPECT_EQ(module.scan(id), 0);
    const auto messages = module.take_messages();
    for (const auto& text : messages) EXPECT_EQ(text.find(secret), std::string::npos) << text;
    const auto found = results(messages);
    return found.contains(id) ? found.at(id) : json::object();
}

// Channel id to value; an absent channel reads as null.
inline std::map<int, json> values(const json& result) {
    std::map<int, json> found;
    for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
    return found;
}

}  // namespace s7_sensor_scans
