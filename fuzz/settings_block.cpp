// Property: whatever bytes the host passes as the settings block of CreateSensorInstance, ExecuteCheck
// or ExecuteMetaScan, the module stays within the host protocol: each export returns one of its
// documented codes, sends only the messages that code allows (a failed creation at most one
// error_result for its id, a check that ran exactly one check_result), every message is a JSON object
// whose first member is "type", a created sensor can be destroyed again, and no value the block lists
// under "secure_settings" appears in any message. No crash, no exception, no hang. A block that is a
// JSON object is also tried under every sensor and check kind of the descriptor, so each kind's
// settings are fuzzed whatever kind the input names.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/finding.hpp"
#include "libi18n/error_catalogue.hpp"
#include "module/s7_module.h"

namespace {

using korvel::probekit::fuzz::finding;
using korvel::probekit::fuzz::require;
using json = nlohmann::json;
using ordered_json = nlohmann::ordered_json;

constexpr int sensor_id = 1;
constexpr int check_id = 2;
constexpr int success = 0;
constexpr int exception_code = 2;
constexpr int not_found_code = 16;

// Shorter secrets ("1", "yes") occur in messages by coincidence too often to tell a leak.
constexpr std::size_t shortest_checked_secret = 6;

std::vector<std::string> received;

void receive(std::uint64_t, const void* bytes, std::uint32_t size) {
    received.emplace_back(static_cast<const char*>(bytes), size);
}

// The messages since the last call, each checked to be an object whose first member is a string "type".
std::vector<ordered_json> take_messages() {
    std::vector<ordered_json> messages;
    for (const std::string& text : received) {
        ordered_json message = ordered_json::parse(text, nullptr, false);
        require(message.is_object() && !message.empty() && message.begin().key() == "type" &&
                    message.begin()->is_string(),
                "a message is not a JSON object with \"type\" first: " + text);
        messages.push_back(std::move(message));
    }
    received.clear();
    return messages;
}

template <typename Json>
void collect_strings(const Json& value, std::vector<std::string>& strings) {
    if (value.is_string()) strings.push_back(value.template get<std::string>());
    if (value.is_object()) {
        for (const auto& [key, member] : value.items()) {
            strings.push_back(key);
            collect_strings(member, strings);
        }
    }
    if (value.is_array()) {
        for (const auto& element : value) collect_strings(element, strings);
    }
}

bool occurs_in(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const std::string& text) { return text.find(part) != std::string::npos; });
}

// A complete S7-300/400 block with logging on, so the module's fixed texts for every export that
// takes a block (trace lines, banners, channel definitions) end up in the vocabulary.
std::string reference_block(const std::string& kind) {
    return json{{"kind", kind},
                {"settings",
                 {{"host", "127.0.0.1"},
                  {"timeout", "60"},
                  {"logging", "enabled"},
                  {"connection_section.rack", "0"},
                  {"connection_section.slot", "2"},
                  {"connection_section.port", "102"},
                  {"connection_section.receive_timeout_ms", "100"},
                  {"connection_section.retry", "noretry"},
                  {"connection_section.retry_delay_ms", "0"},
                  {"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "100"}}},
                {"channels", json::object()}}
        .dump();
}

struct module_under_test {
    std::vector<std::string> sensor_kinds;
    std::vector<std::string> check_kinds;
    // Every text the module may send whatever the block: the descriptor with all languages, the error
    // catalogue, and what a reference sensor of each kind sends. A secret found in here is no leak.
    std::vector<std::string> vocabulary;
};

module_under_test start_module() {
    require(InitializeModule(0, &receive) == success, "InitializeModule failed");
    std::uint32_t size = 0;
    require(GetModuleInformationSync(nullptr, &size, true) == success,
            "module information size query failed");
    std::string information(size, '\0');
    require(GetModuleInformationSync(information.data(), &size, true) == success,
            "module information failed");
    const std::string descriptor_text = json::parse(information).at("descriptor");
    const json descriptor = json::parse(descriptor_text);

    module_under_test module;
    for (const auto& [kind, sensor] : descriptor.at("Sensors").items()) module.sensor_kinds.push_back(kind);
    for (const auto& [kind, check] : descriptor.at("Checks").items()) module.check_kinds.push_back(kind);
    collect_strings(descriptor, module.vocabulary);
    for (const auto& error : korvel::probekit::libi18n::error_catalogue()) {
        module.vocabulary.emplace_back(error.key.key);
        module.vocabulary.emplace_back(error.key.english);
    }
    for (const std::string& kind : module.sensor_kinds) {
        const std::string block = reference_block(kind);
        const auto length = static_cast<std::uint32_t>(block.size());
        if (CreateSensorInstance(sensor_id, block.data(), length) == success)
            DestroySensorInstance(sensor_id);
        ExecuteCheck(check_id, block.data(), length);
        ExecuteMetaScan(sensor_id, 0, block.data(), length);
        for (const auto& message : take_messages()) collect_strings(message, module.vocabulary);
    }
    return module;
}

const module_under_test& module() {
    static const module_under_test started = start_module();
    return started;
}

// The values of the settings the block lists as secure, where telling a leak from coincidence is
// possible: long enough, and found nowhere else in the block (a key, another value, a channel name)
// nor in the module's vocabulary.
std::vector<std::string> checkable_secrets(const json& block) {
    std::vector<std::string> secrets;
    const auto settings = block.find("settings");
    const auto secure = block.find("secure_settings");
    if (settings == block.end() || !settings->is_object() || secure == block.end() || !secure->is_array()) {
        return secrets;
    }
    json others = block;
    for (const json& key : *secure) {
        if (!key.is_string()) continue;
        const auto value = settings->find(key.get<std::string>());
        if (value == settings->end() || !value->is_string()) continue;
        secrets.push_back(value->get<std::string>());
        others["settings"].erase(key.get<std::string>());
    }
    std::vector<std::string> elsewhere;
    collect_strings(others, elsewhere);
    for (const auto& key : settings->items()) elsewhere.push_back(key.key());
    std::erase_if(secrets, [&](const std::string& secret) {
        return secret.size() < shortest_checked_secret || occurs_in(elsewhere, secret) ||
               occurs_in(module().vocabulary, secret);
    });
    return secrets;
}

void require_no_secret_in(const std::vector<ordered_json>& messages,
                          const std::vector<std::string>& secrets) {
    for (const auto& message : messages) {
        std::vector<std::string> texts;
        collect_strings(message, texts);
        for (const std::string& secret : secrets) {
            require(!occurs_in(texts, secret),
                    "the secure value \"" + secret + "\" appears in " + message.dump());
        }
    }
}

std::size_t count_of(const std::vector<ordered_json>& messages, std::string_view type,
                     std::string_view id_member, int id) {
    return static_cast<std::size_t>(
        std::count_if(messages.begin(), messages.end(), [&](const ordered_json& message) {
            return message.at("type") == type && message.value(id_member, -1) == id;
        }));
}

void require_only_types(const std::vector<ordered_json>& messages,
                        std::initializer_list<std::string_view> allowed, std::string_view call) {
    for (const auto& message : messages) {
        const std::string& type = message.at("type").get_ref<const std::string&>();
        require(std::find(allowed.begin(), allowed.end(), type) != allowed.end(),
                std::string(call) + " sent a message of type " + type);
    }
}

std::vector<ordered_json> create_and_destroy(std::string_view block) {
    const int code = CreateSensorInstance(sensor_id, block.data(), static_cast<std::uint32_t>(block.size()));
    std::vector<ordered_json> messages = take_messages();
    require_only_types(messages, {"log", "error_result", "dynamic_channel", "persistent_data"},
                       "CreateSensorInstance");
    const std::size_t errors = count_of(messages, "error_result", "sensor_id", sensor_id);
    switch (code) {
        case success:
        case not_found_code:
            require(errors == 0,
                    "CreateSensorInstance sent an error_result but answered " + std::to_string(code));
            break;
        case exception_code:
            require(errors <= 1, "CreateSensorInstance sent more than one error_result");
            break;
        default:
            finding("CreateSensorInstance answered " + std::to_string(code));
    }
    if (code == success) {
        require(DestroySensorInstance(sensor_id) == success, "a created sensor could not be destroyed");
        for (auto& message : take_messages()) messages.push_back(std::move(message));
    }
    return messages;
}

std::vector<ordered_json> check(std::string_view block) {
    const int code = ExecuteCheck(check_id, block.data(), static_cast<std::uint32_t>(block.size()));
    std::vector<ordered_json> messages = take_messages();
    require_only_types(messages, {"log", "check_result"}, "ExecuteCheck");
    const std::size_t results = count_of(messages, "check_result", "check_id", check_id);
    switch (code) {
        case success:
            require(results == 1, "a check that ran sent " + std::to_string(results) + " check_results");
            break;
        case not_found_code:
            require(results == 0, "an unknown check kind sent a check_result");
            break;
        case exception_code:
            require(results <= 1, "a failed check sent more than one check_result");
            break;
        default:
            finding("ExecuteCheck answered " + std::to_string(code));
    }
    return messages;
}

std::vector<ordered_json> meta_scan(std::string_view block) {
    const int code = ExecuteMetaScan(sensor_id, 0, block.data(), static_cast<std::uint32_t>(block.size()));
    require(code == exception_code || code == not_found_code,
            "ExecuteMetaScan answered " + std::to_string(code));
    std::vector<ordered_json> messages = take_messages();
    require_only_types(messages, {"log"}, "ExecuteMetaScan");
    return messages;
}

void run_every_export(std::string_view block, const std::vector<std::string>& secrets) {
    require_no_secret_in(create_and_destroy(block), secrets);
    require_no_secret_in(check(block), secrets);
    require_no_secret_in(meta_scan(block), secrets);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const module_under_test& started = module();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    json block = json::parse(bytes.begin(), bytes.end(), nullptr, false);
    const std::vector<std::string> secrets =
        block.is_object() ? checkable_secrets(block) : std::vector<std::string>();
    run_every_export(bytes, secrets);
    if (!block.is_object()) return 0;
    for (const std::string& kind : started.sensor_kinds) {
        block["kind"] = kind;
        require_no_secret_in(create_and_destroy(block.dump()), secrets);
    }
    for (const std::string& kind : started.check_kinds) {
        block["kind"] = kind;
        require_no_secret_in(check(block.dump()), secrets);
    }
    return 0;
}
