// A careless host against the real module library: the ten exports called at random, in any order, with
// good, truncated, mutated and garbage settings blocks and with known and unknown ids, single-threaded as
// the protocol asks of InitializeModule and CleanupModule. Nothing may crash, every return code must be a
// documented one (the exact one wherever the host can know the module's state), and every message must be
// a JSON object with a string "type". S7_RANDOM_EXPORT_CALLS sets the number of calls; the seed is fixed,
// so a failure names a call that repeats.

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "host/harness/module_library.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::s7_cpu_simulator;
using json = nlohmann::json;

constexpr std::mt19937::result_type seed = 20240607;
constexpr int exception_code = 2;
constexpr int not_initialised_code = 3;
constexpr int not_found_code = 16;
constexpr int id_in_use_code = 17;

std::size_t call_count() {
    const char* count = std::getenv("S7_RANDOM_EXPORT_CALLS");
    return count == nullptr ? 2000 : std::stoul(count);
}

s7_cpu_simulator stopped_cpu() {
    s7_cpu_simulator cpu;
    cpu.stop();
    return cpu;
}

class random_export_calls : public ::testing::Test {
protected:
    module_library module{MODULE_PATH};
    s7_cpu_simulator cpu;
    // Its port refuses connections: a controller that is switched off.
    s7_cpu_simulator switched_off = stopped_cpu();
    std::mt19937 random{seed};

    bool initialised = false;
    std::set<int> live_sensors;
    std::vector<std::string> sensor_kinds;
    std::vector<std::string> check_kinds;
    // Bytes the synchronous module information needs, by include_texts.
    std::map<bool, std::uint32_t> information_size;

    int pick(int lowest, int highest) { return std::uniform_int_distribution<int>(lowest, highest)(random); }
    bool coin() { return pick(0, 1) == 1; }
    template <typename T>
    const T& any_of(const std::vector<T>& values) {
        return values[static_cast<std::size_t>(pick(0, static_cast<int>(values.size()) - 1))];
    }

    // Mostly a handful of ids, so creates, scans and destroys meet; sometimes an extreme one.
    int any_id() {
        static const std::vector<int> extremes{-1, INT_MIN, INT_MAX};
        return pick(0, 9) == 0 ? any_of(extremes) : pick(0, 5);
    }

    std::string valid_block(const std::string& kind) {
        json settings{
            {"host", "127.0.0.1"},
            {"timeout", std::to_string(pick(1, 2))},
            {"logging", coin() ? "enabled" : "disabled"},
            {"connection_section.rack", "0"},
            {"connection_section.slot", "2"},
            {"connection_section.port", std::to_string(coin() ? cpu.port() : switched_off.port())},
            {"connection_section.receive_timeout_ms", std::to_string(pick(20, 200))},
            {"connection_section.retry", coin() ? "retry" : "noretry"},
            {"connection_section.retry_delay_ms", std::to_string(pick(0, 5))},
            {"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", std::to_string(pick(0, 100))},
            {"httpproxy.password", "not-for-logs"}};
        return json{{"kind", kind},
                    {"settings", settings},
                    {"secure_settings", {"httpproxy.password"}},
                    {"channels", json::object()},
                    {"persistent_data", json::object()}}
            .dump();
    }

    std::string garbage() {
        std::string bytes(static_cast<std::size_t>(pick(0, 64)), '\0');
        for (char& byte : bytes) byte = static_cast<char>(pick(0, 255));
        return bytes;
    }

    // A block of the given kind as it was sent, cut short, with a few bytes changed, or no JSON at all.
    std::string any_block(const std::string& kind) {
        std::string block = valid_block(kind);
        switch (pick(0, 5)) {
            case 0:
                return block.substr(0, static_cast<std::size_t>(pick(0, static_cast<int>(block.size()) - 1)));
            case 1:
                for (int changes = pick(1, 3); changes > 0; --changes) {
                    block[static_cast<std::size_t>(pick(0, static_cast<int>(block.size()) - 1))] =
                        static_cast<char>(pick(0, 255));
                }
                return block;
            case 2:
                return garbage();
            default:
                return block;
        }
    }

    // Every message since the last call; each must be a JSON object whose "type" is a string.
    std::vector<json> messages() {
        std::vector<json> parsed;
        for (const std::string& text : module.take_messages()) {
            const json message = json::parse(text, nullptr, false);
            EXPECT_TRUE(message.is_object() && message.contains("type") && message.at("type").is_string())
                << text;
            if (message.is_object()) parsed.push_back(message);
        }
        return parsed;
    }

    static std::size_t count(const std::vector<json>& sent, const std::string& type) {
        return static_cast<std::size_t>(std::count_if(sent.begin(), sent.end(), [&](const json& message) {
            return message.value("type", "") == type;
        }));
    }

    // The code to expect from an export that answers 3 before anything else when not initialised.
    bool refused_uninitialised(int code) {
        if (initialised) return false;
        EXPECT_EQ(code, not_initialised_code);
        return true;
    }

    void initialize() {
        EXPECT_EQ(module.initialize(), initialised ? 1 : 0);
        if (!initialised) {
            for (const bool texts : {false, true}) {
                std::uint32_t size = 0;
                ASSERT_EQ(module.get_module_information_sync(nullptr, &size, texts), 0);
                information_size[texts] = size;
            }
            const json information = json::parse(module.module_information(true));
            const json descriptor = json::parse(information.at("descriptor").get<std::string>());
            sensor_kinds.clear();
            check_kinds.clear();
            for (const auto& [kind, sensor] : descriptor.at("Sensors").items()) sensor_kinds.push_back(kind);
            for (const auto& [kind, check] : descriptor.at("Checks").items()) check_kinds.push_back(kind);
        }
        initialised = true;
    }

    void cleanup() {
        EXPECT_EQ(module.cleanup(), 0);
        initialised = false;
        live_sensors.clear();
    }

    // An unregistered kind as well as every kind of the descriptor.
    std::string any_kind(const std::vector<std::string>& kinds) {
        return kinds.empty() || pick(0, 5) == 0 ? "no_such_kind" : any_of(kinds);
    }

    void create() {
        const int id = any_id();
        const std::string block = any_block(any_kind(sensor_kinds));
        const int code = module.create_sensor(id, block);
        if (refused_uninitialised(code)) return;
        // A block the module cannot read, or one of an unknown kind, is refused before the id is looked at.
        if (live_sensors.contains(id)) {
            EXPECT_TRUE(code == id_in_use_code || code == exception_code || code == not_found_code) << code;
        } else {
            EXPECT_TRUE(code == 0 || code == exception_code || code == not_found_code) << code;
        }
        if (code == 0) live_sensors.insert(id);
        EXPECT_LE(count(messages(), "error_result"), code == exception_code ? 1u : 0u);
    }

    void scan() {
        const int id = any_id();
        const int code = module.scan(id);
        if (refused_uninitialised(code)) return;
        EXPECT_EQ(code, live_sensors.contains(id) ? 0 : not_found_code);
        const auto sent = messages();
        EXPECT_EQ(count(sent, "scan_result") + count(sent, "error_result"), code == 0 ? 1u : 0u);
    }

    void destroy() {
        const int id = any_id();
        const int code = module.destroy_sensor(id);
        if (refused_uninitialised(code)) return;
        EXPECT_EQ(code, live_sensors.erase(id) == 1 ? 0 : not_found_code);
    }

    void check() {
        const int code = module.check(any_id(), any_block(any_kind(check_kinds)));
        if (refused_uninitialised(code)) return;
        EXPECT_TRUE(code == 0 || code == exception_code || code == not_found_code) << code;
        const std::size_t results = count(messages(), "check_result");
        EXPECT_EQ(results, code == 0 ? 1u : code == not_found_code ? 0u : results) << code;
        EXPECT_LE(results, 1u);
    }

    void meta_scan() {
        const int code = module.meta_scan(any_id(), static_cast<unsigned>(pick(0, INT_MAX)),
                                          any_block(any_kind(sensor_kinds)));
        if (refused_uninitialised(code)) return;
        EXPECT_TRUE(code == exception_code || code == not_found_code) << code;
    }

    void information() {
        const bool texts = coin();
        module.get_module_information(texts);
        EXPECT_EQ(count(messages(), "module_information"), initialised ? 1u : 0u);
    }

    void information_sync() {
        const bool texts = coin();
        switch (pick(0, 3)) {
            case 0:
                EXPECT_EQ(module.get_module_information_sync(nullptr, nullptr, texts), 1);
                return;
            case 1: {
                std::uint32_t size = static_cast<std::uint32_t>(pick(0, INT_MAX));
                const int code = module.get_module_information_sync(nullptr, &size, texts);
                if (!initialised) {
                    EXPECT_EQ(code, 2);
                    return;
                }
                EXPECT_EQ(code, 0);
                EXPECT_EQ(size, information_size[texts]);
                return;
            }
            default: {
                const std::uint32_t needed = initialised ? information_size[texts] : 4096;
                std::uint32_t size =
                    static_cast<std::uint32_t>(pick(0, static_cast<int>(needed + needed / 10)));
                std::string buffer(size, '\0');
                const int code = module.get_module_information_sync(buffer.data(), &size, texts);
                if (!initialised) {
                    EXPECT_EQ(code, 2);
                    return;
                }
                EXPECT_EQ(code, buffer.size() < needed ? 1 : 0);
                EXPECT_EQ(size, needed);
            }
        }
    }

    void any_call() {
        switch (pick(0, 19)) {
            case 0:
                initialize();
                break;
            case 1:
                cleanup();
                break;
            case 2:
                information();
                break;
            case 3:
                information_sync();
                break;
            case 4:
                EXPECT_EQ(module.get_api_level(), 6);
                break;
            case 5:
                check();
                break;
            case 6:
                meta_scan();
                break;
            case 7:
            case 8:
            case 9:
                destroy();
                break;
            case 10:
            case 11:
            case 12:
                scan();
                break;
            default:
                create();
                break;
        }
        messages();
    }
};

TEST_F(random_export_calls, never_crash_and_answer_only_documented_codes_and_messages) {
    initialize();
    const std::size_t calls = call_count();
    for (std::size_t call = 0; call < calls; ++call) {
        SCOPED_TRACE("call " + std::to_string(call) + " of the sequence from seed " + std::to_string(seed));
        any_call();
        if (HasFailure()) return;
    }
}

}  // namespace
