// A careless host against the real module library: the ten exports called at random, in any order, with
// good, truncated, mutated and garbage settings blocks and with known and unknown ids, single-threaded as
// the protocol asks of InitializeModule and CleanupModule. Nothing may crash, every return code must be a
// documented one (the exact one wherever the host can know the module's state), and every message must be
// a JSON object with a string "type". S7_RANDOM_EXPORT_CALLS sets the number of calls; the seed is fixed,
// so a failure names a call that repeats.

#include <gtest/gtest.h>

#include <algorithm>
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

class random_export_calls : public ::testing::Test {
protected:
    module_library module{MODULE_PATH};
    s7_cpu_simulator cpu;
    // Its port refuses connections: a controller that is switched off.
    s7_cpu_simulator switched_off = [] {
        s7_cpu_simulator off;
        off.stop();
        return off;
    }();
    std::mt19937 random{seed};

    bool initialised = false;
    std::set<int> live_sensors;
    std::vector<std::string> sensor_kinds;
    std::vector<std::string> check_kinds;
    // Bytes the synchronous module information needs, by include_texts.
    std::map<bool, std::uint32_t> information_size;

    int pick(int lowest, int highest) { return std::uniform_int_distribution<int>(lowest, highest)(random); }
    bool coin() { return pick(0, 1) == 1; }

    // Mostly a handful of ids, so creates, scans and destroys meet; sometimes an extreme one.
    int any_id() {
        constexpr int extremes[] = {-1, INT_MIN, INT_MAX};
        return pick(0, 9) == 0 ? extremes[pick(0, 2)] : pick(0, 5);
    }

    // An unregistered kind as well as every kind of the descriptor.
    std::string any_kind(const std::vector<std::string>& kinds) {
        if (kinds.empty() || pick(0, 5) == 0) return "no_such_kind";
        return kinds[static_cast<std::size_t>(pick(0, static_cast<int>(kinds.size()) - 1))];
    }

    // A block of the kind as a host sends it, cut short, with a few bytes changed, or random bytes.
    // `intact` tells whether it is the block as a host sends it.
    std::string any_block(const std::string& kind, bool* intact = nullptr) {
        const json settings{
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
        std::string block = json{
            {"kind", kind},
            {"settings", settings},
            {"secure_settings", {"httpproxy.password"}},
            {"channels", json::object()},
            {"persistent_data",
             json::object()}}.dump();
        const auto any_position = [&] {
            return static_cast<std::size_t>(pick(0, static_cast<int>(block.size()) - 1));
        };
        const int form = pick(0, 5);
        if (intact != nullptr) *intact = form > 2;
        switch (form) {
            case 0:
                return block.substr(0, any_position());
            case 1:
                for (int changes = pick(1, 3); changes > 0; --changes)
                    block[any_position()] = static_cast<char>(pick(0, 255));
                return block;
            case 2: {
                std::string bytes(static_cast<std::size_t>(pick(0, 64)), '\0');
                for (char& byte : bytes) byte = static_cast<char>(pick(0, 255));
                return bytes;
            }
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
        return static_cast<std::size_t>(std::ranges::count_if(
            sent, [&](const json& message) { return message.value("type", "") == type; }));
    }

    // Whether the export answered 3 for not being initialised, as it must before anything else.
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

    void create() {
        const int id = any_id();
        const std::string kind = any_kind(sensor_kinds);
        bool intact = false;
        const int code = module.create_sensor(id, any_block(kind, &intact));
        if (refused_uninitialised(code)) return;
        // A block the module cannot read, or one of an unknown kind, is refused before the id is looked at.
        // A readable block of a known kind for a live id is refused as in use and never reaches the
        // sensor's factory, so its failure cannot be reported in the live sensor's name.
        const bool known_kind = kind != "no_such_kind";
        if (intact && live_sensors.contains(id)) {
            EXPECT_EQ(code, known_kind ? id_in_use_code : not_found_code);
        } else if (intact && !known_kind) {
            EXPECT_EQ(code, not_found_code);
        }
        const int success_or_in_use = live_sensors.contains(id) ? id_in_use_code : 0;
        EXPECT_TRUE(code == success_or_in_use || code == exception_code || code == not_found_code) << code;
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
        module.get_module_information(coin());
        EXPECT_EQ(count(messages(), "module_information"), initialised ? 1u : 0u);
    }

    // No size pointer; a size query with any size given; or a copy into a buffer that may be too short.
    void information_sync() {
        const bool texts = coin();
        const int form = pick(0, 3);
        if (form == 0) {
            EXPECT_EQ(module.get_module_information_sync(nullptr, nullptr, texts), 1);
            return;
        }
        const std::uint32_t needed = initialised ? information_size[texts] : 4096;
        const bool query = form == 1;
        auto size = static_cast<std::uint32_t>(query ? pick(0, INT_MAX)
                                                     : pick(0, static_cast<int>(needed + needed / 10)));
        std::string buffer(query ? 0 : size, '\0');
        const int code = module.get_module_information_sync(query ? nullptr : buffer.data(), &size, texts);
        if (!initialised) {
            EXPECT_EQ(code, 2);
            return;
        }
        EXPECT_EQ(code, !query && buffer.size() < needed ? 1 : 0);
        EXPECT_EQ(size, needed);
    }

    void api_level() { EXPECT_EQ(module.get_api_level(), 6); }

    void any_call() {
        using self = random_export_calls;
        // Creates, scans and destroys most often, so that sensors live long enough to meet each other.
        static constexpr void (self::*calls[])() = {
            &self::initialize, &self::cleanup, &self::information, &self::information_sync,
            &self::api_level,  &self::check,   &self::meta_scan,   &self::destroy,
            &self::destroy,    &self::destroy, &self::scan,        &self::scan,
            &self::scan,       &self::create,  &self::create,      &self::create,
            &self::create,     &self::create,  &self::create,      &self::create};
        (this->*calls[pick(0, static_cast<int>(std::size(calls)) - 1)])();
        messages();
    }
};

TEST_F(random_export_calls, never_crash_and_answer_only_documented_codes_and_messages) {
    initialize();
    const char* count = std::getenv("S7_RANDOM_EXPORT_CALLS");
    const std::size_t calls = count == nullptr ? 2000 : std::stoul(count);
    for (std::size_t call = 0; call < calls; ++call) {
        SCOPED_TRACE("call " + std::to_string(call) + " of the sequence from seed " + std::to_string(seed));
        any_call();
        if (HasFailure()) return;
    }
}

}  // namespace
