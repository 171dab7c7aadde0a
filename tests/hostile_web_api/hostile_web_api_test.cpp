// A Web API peer that answers as no controller should, against the real module library: each
// finding of a hostile run is reproduced here through the exports.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "host/harness/module_library.hpp"
#include "simulators/https_server/https_test_server.hpp"

namespace {

using korvel::probekit::host::module_library;
namespace simulators = korvel::probekit::simulators;
using json = nlohmann::json;

constexpr int cpu_status = 1;
constexpr int alarm_status = 2;
constexpr int hardware_status = 3;
constexpr int login_check = 4;
constexpr const char* token = "AbCdEfGhIjKlMnOpQrStUvWxYz01";

const simulators::test_certificates& certificates() {
    static const auto made = simulators::generate_test_certificates();
    return made;
}

// Every text value of a message, members and elements at any depth.
void collect_texts(const json& value, std::vector<std::string>& texts) {
    if (value.is_string()) texts.push_back(value.get<std::string>());
    if (value.is_structured()) {
        for (const auto& element : value) collect_texts(element, texts);
    }
}

class hostile_web_api_test : public ::testing::Test {
protected:
    // One JSON-RPC request of a batch in, its answer out (an array: several answers); none leaves it out
    // of the batch.
    using answer_rule = std::function<std::optional<json>(const json& request)>;
    // The whole HTTP answer, for a peer that does not answer as JSON-RPC at all; none passes on.
    using front_rule = std::function<std::optional<simulators::http_answer>(const simulators::http_request&)>;

    // The peer is declared before the module so it is destroyed after it (the module's kept-alive
    // connections would hold up the server's shutdown).
    std::mutex rules_mutex;
    answer_rule rule = [](const json&) { return std::nullopt; };
    front_rule front = [](const simulators::http_request&) { return std::nullopt; };
    std::unique_ptr<simulators::https_test_server> peer = std::make_unique<simulators::https_test_server>(
        certificates().server, [this](const simulators::http_request& request) { return answer(request); });
    std::unique_ptr<module_library> module = std::make_unique<module_library>(MODULE_PATH);

    hostile_web_api_test() { EXPECT_EQ(module->initialize(), 0); }

    void set_rule(answer_rule next) {
        std::lock_guard lock(rules_mutex);
        rule = std::move(next);
    }
    void set_front(front_rule next) {
        std::lock_guard lock(rules_mutex);
        front = std::move(next);
    }

    simulators::http_answer answer(const simulators::http_request& request) {
        std::lock_guard lock(rules_mutex);
        if (auto whole = front(request)) return *whole;
        const json batch = json::parse(request.body, nullptr, false);
        if (!batch.is_array()) return {400, "not a batch"};
        json answers = json::array();
        for (const json& call : batch) {
            const std::string method = call.value("method", "");
            const json id = call.value("id", json());
            if (method == "Api.Version") {
                answers.push_back({{"id", id}, {"jsonrpc", "2.0"}, {"result", 3.1}});
            } else if (method == "Api.Login") {
                answers.push_back({{"id", id}, {"jsonrpc", "2.0"}, {"result", {{"token", token}}}});
            } else if (method == "Api.Logout") {
                answers.push_back({{"id", id}, {"jsonrpc", "2.0"}, {"result", true}});
            } else if (auto given = rule(call)) {
                // An array: several answers to the one request.
                for (json& one : given->is_array() ? *given : json::array({*given})) {
                    one.emplace("jsonrpc", "2.0");
                    if (!one.contains("id")) one["id"] = id;
                    answers.push_back(std::move(one));
                }
            }
        }
        return {200, answers.dump(), "application/json"};
    }

    json block(const std::string& kind, const std::string& password, bool logging,
               const std::string& proxy_password = "") const {
        json settings = {{"host", "127.0.0.1"},
                         {"timeout", "20"},
                         {"logging", logging ? "enabled" : "disabled"},
                         {"s7web_credentials_section.username", "diag"},
                         {"s7web_credentials_section.password", password},
                         {"s7web_credentials_section.port", std::to_string(peer->port())},
                         {"shared_http_validation_section.certificate_validation", "none"}};
        if (!proxy_password.empty()) settings["httpproxy.password"] = proxy_password;
        return {{"kind", kind},
                {"settings", settings},
                {"secure_settings", {"s7web_credentials_section.password"}},
                {"channels", json::object()},
                {"persistent_data", json::object()}};
    }

    void create(int id, const std::string& kind, bool logging = true,
                const std::string& password = "Diag.Pass+1") {
        ASSERT_EQ(module->create_sensor(id, block(kind, password, logging).dump()), 0) << kind;
    }

    // Every message of the scan, parsed.
    std::vector<json> scan_messages(int id) {
        module->take_messages();
        EXPECT_EQ(module->scan(id), 0);
        std::vector<json> sent;
        for (const auto& text : module->take_messages()) sent.push_back(json::parse(text));
        return sent;
    }

    static const json& result_of(const std::vector<json>& sent) {
        for (const auto& message : sent) {
            if (message.at("type") == "scan_result" || message.at("type") == "error_result") return message;
        }
        static const json none;
        ADD_FAILURE() << "no result";
        return none;
    }

    static std::vector<json> of_type(const std::vector<json>& sent, const std::string& type) {
        std::vector<json> found;
        for (const auto& message : sent) {
            if (message.at("type") == type) found.push_back(message);
        }
        return found;
    }

    static std::vector<std::string> logs_at(const std::vector<json>& sent, int level) {
        std::vector<std::string> lines;
        for (const auto& message : of_type(sent, "log")) {
            if (message.at("level") == level) lines.push_back(message.at("text"));
        }
        return lines;
    }

    static std::map<int, json> values(const json& result) {
        std::map<int, json> found;
        for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
        return found;
    }

    static std::string text_of(const json& result) { return result.at("message").at("text"); }
};

// A device or front end that echoes the request (a 500 repeating the body, a login error quoting the
// parameters) must not carry the password out of the module: not in the error result, not in the
// logs (the response dump among them), not through the check, with logging on or off. The password
// holds characters that JSON and the localisable messages escape, so every form it may take counts.
TEST_F(hostile_web_api_test, an_echoed_password_never_leaves_the_module) {
    const std::string password = "Ech0\"Me\\Pl3ase:#[x],";
    const std::string proxy_password = "Pr0xy-Pl3ase";
    const std::string marks[] = {"Pl3ase", "Ech0"};
    const auto expect_no_secret = [&](const std::vector<json>& sent, const std::string& where) {
        for (const auto& message : sent) {
            std::vector<std::string> texts;
            collect_texts(message, texts);
            for (const auto& text : texts) {
                for (const auto& mark : marks)
                    EXPECT_EQ(text.find(mark), std::string::npos) << where << ": " << message.dump();
            }
        }
    };
    const std::vector<std::pair<std::string, front_rule>> fronts{
        {"a 500 echoing the request",
         [](const simulators::http_request& request) -> std::optional<simulators::http_answer> {
             if (request.body.find("Api.Version") != std::string::npos) return std::nullopt;
             return simulators::http_answer{500, "You sent: " + request.body, "text/plain"};
         }},
        {"a 401 echoing the request",
         [](const simulators::http_request& request) -> std::optional<simulators::http_answer> {
             if (request.body.find("Api.Version") != std::string::npos) return std::nullopt;
             return simulators::http_answer{401, "Denied: " + request.body, "text/plain"};
         }},
        {"a login error quoting the parameters",
         [](const simulators::http_request& request) -> std::optional<simulators::http_answer> {
             const json batch = json::parse(request.body, nullptr, false);
             if (!batch.is_array() || batch.empty() || batch[0].value("method", "") != "Api.Login")
                 return std::nullopt;
             const json answer = json::array(
                 {{{"id", "Api.Login"},
                   {"jsonrpc", "2.0"},
                   {"error",
                    {{"code", 100}, {"message", "Login refused for " + batch[0].at("params").dump()}}}}});
             return simulators::http_answer{200, answer.dump(), "application/json"};
         }},
        {"an echo whose dump is cut through the password",
         [&](const simulators::http_request& request) -> std::optional<simulators::http_answer> {
             const std::size_t at = request.body.find("Ech0");
             if (at == std::string::npos) return std::nullopt;
             // The dump shows the first 4096 bytes: the cut leaves the password's first six.
             return simulators::http_answer{500, std::string(4090 - at, 'x') + request.body, "text/plain"};
         }},
        {"an answer quoting the proxy password",
         [&](const simulators::http_request& request) -> std::optional<simulators::http_answer> {
             if (request.body.find("Api.Version") != std::string::npos) return std::nullopt;
             return simulators::http_answer{500, "proxy said " + proxy_password, "text/plain"};
         }},
    };
    int id = 10;
    for (const auto& [what, echo] : fronts) {
        set_front(echo);
        for (const bool logging : {true, false}) {
            SCOPED_TRACE(what + (logging ? ", logging on" : ", logging off"));
            ++id;
            const auto settings =
                block("simatic_s7_1200_1500_cpu_status_sensor", password, logging, proxy_password);
            module->take_messages();
            ASSERT_EQ(module->create_sensor(id, settings.dump()), 0);
            const auto sent = scan_messages(id);
            EXPECT_EQ(result_of(sent).at("type"), "error_result");
            if (logging) {
                EXPECT_FALSE(of_type(sent, "log").empty());
            }
            expect_no_secret(sent, "scan");

            auto check = block("s7web_login_check", password, logging, proxy_password);
            EXPECT_EQ(module->check(id, check.dump()), 0);
            expect_no_secret(
                [&] {
                    std::vector<json> checked;
                    for (const auto& text : module->take_messages()) checked.push_back(json::parse(text));
                    return checked;
                }(),
                "check");
            EXPECT_EQ(module->destroy_sensor(id), 0);
        }
    }
}

// A batch that lacks the answer a scan reports is no healthy controller: the CPU status without its
// operating mode and the hardware walk without its root browse fail as the alarm scan without its
// browse does, and change no stored value.
TEST_F(hostile_web_api_test, a_scan_without_the_answer_it_reports_is_an_unexpected_error) {
    const std::string unexpected = "An unexpected error occurred while communicating with the S7 Web API.";
    set_rule([](const json& call) -> std::optional<json> {
        const std::string method = call.at("method");
        if (method == "Plc.ReadModeSelectorState") return json{{"result", {{"mode_selector", "run"}}}};
        if (method == "DiagnosticBuffer.Browse")
            return json{{"result",
                         {{"entries",
                           {{{"timestamp", "2024-01-01T00:00:00Z"},
                             {"event", {{"textlist_id", 2}, {"text_id", 13569}}}}}}}}};
        return std::nullopt;  // no operating mode, no Modules.Browse, no Alarms.Browse
    });
    for (const auto& [id, kind] : {std::pair{cpu_status, "simatic_s7_1200_1500_cpu_status_sensor"},
                                   {hardware_status, "simatic_s7_1200_1500_hardware_status_sensor"},
                                   {alarm_status, "simatic_s7_1200_1500_alarm_status_sensor"}}) {
        SCOPED_TRACE(kind);
        create(id, kind);
        const auto sent = scan_messages(id);
        EXPECT_EQ(result_of(sent).at("type"), "error_result");
        EXPECT_EQ(text_of(result_of(sent)), unexpected);
        EXPECT_TRUE(of_type(sent, "persistent_data").empty());
    }

    // With the answers there, even without any module, both scans stand.
    set_rule([](const json& call) -> std::optional<json> {
        const std::string method = call.at("method");
        if (method == "Plc.ReadOperatingMode") return json{{"result", "run"}};
        if (method == "Plc.ReadModeSelectorState") return json{{"result", {{"mode_selector", "run"}}}};
        if (method == "Modules.Browse") return json{{"result", {{"nodes", json::array()}}}};
        return json{{"error", {{"code", -32601}, {"message", "Method not found"}}}};
    });
    EXPECT_EQ(text_of(result_of(scan_messages(cpu_status))), "Operating mode: RUN");
    EXPECT_EQ(text_of(result_of(scan_messages(hardware_status))),
              "0 of 0 monitored hardware modules in a fault state");
}

// One entry that cannot be read costs only itself; an id the device repeats counts once, first come;
// a load no CPU can have is no value. Each is said at warning level.
TEST_F(hostile_web_api_test, answers_read_leniently_where_one_bad_entry_would_fail_the_scan) {
    set_rule([](const json& call) -> std::optional<json> {
        const std::string method = call.at("method");
        const std::string id = call.at("id");
        if (method == "Alarms.Browse") {
            return json{{"result",
                         {{"count_current", 3},
                          {"entries",
                           {{{"alarm_number", 1}, {"hwid", 4294967296LL}, {"status", "incoming"}},
                            {{"alarm_number", 2},
                             {"hwid", 50},
                             {"status", "incoming"},
                             {"producer", "program_alarm"},
                             {"acknowledgement", {{"state", "not_acknowledged"}}},
                             {"alarm_text", "Pump 2 failed"}},
                            {{"alarm_number", "not a number"}}}}}}};
        }
        if (method == "Modules.Browse") {
            return json{{"result",
                         {{"nodes",
                           {{{"hwid", 50}, {"name", "Rack"}, {"type", "device"}},
                            {{"hwid", 4294967296LL}, {"name", "Beyond"}, {"type", "module"}},
                            {{"hwid", 50}, {"name", "Rack again"}, {"type", "device"}},
                            {{"hwid", 51}, {"name", "DI 16"}, {"type", "module"}}}}}}};
        }
        if (method == "Modules.ReadStatus") {
            if (id == "Modules.ReadStatus.51")
                return json{{"result", {{"status", {{"own", {"good", "error"}}}}}}};
            return json{{"result", {{"status", {{"own", "good"}, {"subordinate", "good"}}}}}};
        }
        // The operating mode twice, stop after run: the first answer counts for the channel and the message.
        if (method == "Plc.ReadOperatingMode")
            return json::array({{{"result", "run"}}, {{"result", "stop"}}});
        if (method == "Plc.ReadModeSelectorState") return json{{"result", {{"mode_selector", "stop"}}}};
        if (method == "Plc.ReadRuntimeInformation") {
            return json{{"result",
                         {{"cycle_time",
                           {{"actual",
                             {{"current", "PT0.001S"}, {"shortest", "PT0.001S"}, {"longest", "PT0.002S"}}}}},
                          {"load",
                           {{"actual",
                             {{"program_load_cyclic_program_obs_percentage", 1e308},
                              {"program_load_high_priority_obs_percentage", -1},
                              {"current_communication_load_percentage", 20}}},
                            {"configured", {{"max_communication_load_percentage", 50}}}}}}}};
        }
        return json{{"error", {{"code", -32601}, {"message", "Method not found"}}}};
    });
    create(alarm_status, "simatic_s7_1200_1500_alarm_status_sensor");
    const auto alarms = scan_messages(alarm_status);
    ASSERT_EQ(result_of(alarms).at("type"), "scan_result") << result_of(alarms).dump();
    EXPECT_EQ(text_of(result_of(alarms)), "Active Alarm: Pump 2 failed");
    // Channels 0 to 4, then by name the DI module and the rack, which the readable alarm names.
    EXPECT_EQ(values(result_of(alarms)),
              (std::map<int, json>{{0, 1}, {1, 3}, {2, 1}, {3, 0}, {4, 0}, {5, 1}, {6, 3}}));
    const auto alarm_warnings = logs_at(alarms, 4);
    ASSERT_EQ(alarm_warnings.size(), 3u) << json(alarm_warnings).dump();
    EXPECT_TRUE(alarm_warnings[0].starts_with("Left out 2 alarm(s) that could not be read; the first: "))
        << alarm_warnings[0];
    EXPECT_TRUE(alarm_warnings[1].starts_with(
        "Left out 1 hardware node(s), with the nodes below them, that could not be read"))
        << alarm_warnings[1];
    EXPECT_EQ(alarm_warnings[2],
              "Left out 1 hardware node(s) whose hardware id an earlier node has; the first one counts");

    create(hardware_status, "simatic_s7_1200_1500_hardware_status_sensor");
    const auto hardware = scan_messages(hardware_status);
    ASSERT_EQ(result_of(hardware).at("type"), "scan_result") << result_of(hardware).dump();
    EXPECT_EQ(text_of(result_of(hardware)), "0 of 2 monitored hardware modules in a fault state");
    EXPECT_EQ(values(result_of(hardware)), (std::map<int, json>{{0, 0}, {1, 1}, {2, 0}}));
    const auto hardware_warnings = logs_at(hardware, 4);
    ASSERT_EQ(hardware_warnings.size(), 3u) << json(hardware_warnings).dump();
    EXPECT_TRUE(hardware_warnings[2].starts_with(
        "Status of module 'DI 16' (hwid 51) cannot be read; reporting as Unknown"))
        << hardware_warnings[2];

    create(cpu_status, "simatic_s7_1200_1500_cpu_status_sensor");
    const auto cpu = scan_messages(cpu_status);
    ASSERT_EQ(result_of(cpu).at("type"), "scan_result") << result_of(cpu).dump();
    EXPECT_EQ(text_of(result_of(cpu)), "Operating mode: RUN");
    // No value for the two impossible loads; the communication load and its ratio stand.
    EXPECT_EQ(values(result_of(cpu)),
              (std::map<int, json>{{0, 1}, {1, 2}, {3, 1}, {4, 1}, {5, 2}, {8, 20.0}, {9, 40.0}}));
    EXPECT_EQ(logs_at(cpu, 4),
              (std::vector<std::string>{
                  "Ignoring a further answer with the id \"Plc.ReadOperatingMode\"; the first one counts",
                  "Ignoring the program load of cyclic OBs of 1e+308 %: a load lies within 0 to 100 %",
                  "Ignoring the program load of high-priority OBs of -1 %: a load lies within 0 to 100 %"}));
}

// A device that names new modules on every scan cannot grow a sensor without bound: past 1,000
// module channels, further modules count in the totals only, with no channel and nothing stored,
// said once.
TEST_F(hostile_web_api_test, a_device_naming_new_modules_every_scan_stops_at_1000_module_channels) {
    std::atomic<int> first_hwid = 1000;
    set_rule([&first_hwid](const json& call) -> std::optional<json> {
        const std::string method = call.at("method");
        if (method == "Modules.Browse") {
            json nodes = json::array();
            const int first = first_hwid;
            for (int hwid = first; hwid < first + 600; ++hwid)
                nodes.push_back(
                    {{"hwid", hwid}, {"name", "Module " + std::to_string(hwid)}, {"type", "module"}});
            return json{{"result", {{"nodes", nodes}}}};
        }
        if (method == "Modules.ReadStatus")
            return json{{"result", {{"status", {{"own", "error"}, {"subordinate", "good"}}}}}};
        if (method == "Alarms.Browse")
            return json{{"result", {{"entries", json::array()}, {"count_current", 0}}}};
        return std::nullopt;
    });
    for (const auto& [id, kind, first_channel] :
         {std::tuple{hardware_status, "simatic_s7_1200_1500_hardware_status_sensor", 1},
          {alarm_status, "simatic_s7_1200_1500_alarm_status_sensor", 5}}) {
        SCOPED_TRACE(kind);
        create(id, kind);
        std::size_t channels = 0, stored = 0, warnings = 0;
        std::string last_message;
        for (int scan = 0; scan < 3; ++scan) {
            first_hwid = 1000 + scan * 600;
            const auto sent = scan_messages(id);
            ASSERT_EQ(result_of(sent).at("type"), "scan_result") << result_of(sent).dump();
            last_message = text_of(result_of(sent));
            for (const auto& channel : of_type(sent, "dynamic_channel"))
                channels += channel.at("channel").at("id").get<int>() >= first_channel ? 1 : 0;
            stored += of_type(sent, "persistent_data").size();
            warnings += logs_at(sent, 4).size();
        }
        EXPECT_EQ(channels, 1000u);
        EXPECT_EQ(stored, 2000u) << "each module's id and the next free id";
        EXPECT_EQ(warnings, 1u);
        if (id == hardware_status) {
            EXPECT_EQ(last_message, "600 of 600 monitored hardware modules in a fault state");
        }
    }
    set_rule([](const json&) { return std::nullopt; });  // the rule refers to this test's counter
}

// Stored data edited by hand or cut short: when the next free channel id cannot be read, numbering
// goes on past every id a module holds, never handing out one of them again.
TEST_F(hostile_web_api_test, an_unreadable_next_channel_id_never_hands_out_an_id_a_module_holds) {
    set_rule([](const json& call) -> std::optional<json> {
        const std::string method = call.at("method");
        if (method == "Modules.Browse") {
            return json{{"result",
                         {{"nodes",
                           {{{"hwid", 1000}, {"name", "Held A"}, {"type", "module"}},
                            {{"hwid", 1001}, {"name", "Held B"}, {"type", "module"}},
                            {{"hwid", 1002}, {"name", "New"}, {"type", "module"}}}}}}};
        }
        if (method == "Modules.ReadStatus")
            return json{{"result", {{"status", {{"own", "good"}, {"subordinate", "good"}}}}}};
        if (method == "Alarms.Browse")
            return json{{"result", {{"entries", json::array()}, {"count_current", 0}}}};
        return std::nullopt;
    });
    const struct {
        int id;
        const char* kind;
        json stored;
        int expected;
    } sensors[] = {
        {hardware_status,
         "simatic_s7_1200_1500_hardware_status_sensor",
         {{"next_channel_id", "x7"}, {"1000", "1"}, {"1001", "7"}, {"999", "not an id"}},
         8},
        {alarm_status,
         "simatic_s7_1200_1500_alarm_status_sensor",
         {{"next_channel_id", "-3"}, {"Held A", "5"}, {"Held B", "9"}},
         10},
    };
    for (const auto& sensor : sensors) {
        SCOPED_TRACE(sensor.kind);
        json settings = block(sensor.kind, "Diag.Pass+1", true);
        settings["persistent_data"] = sensor.stored;
        ASSERT_EQ(module->create_sensor(sensor.id, settings.dump()), 0);
        const auto sent = scan_messages(sensor.id);
        ASSERT_EQ(result_of(sent).at("type"), "scan_result") << result_of(sent).dump();
        std::map<std::string, std::string> stored;
        for (const auto& message : of_type(sent, "persistent_data"))
            stored[message.at("key")] = message.at("value");
        const std::string new_key = sensor.id == hardware_status ? "1002" : "New";
        EXPECT_EQ(stored, (std::map<std::string, std::string>{
                              {new_key, std::to_string(sensor.expected)},
                              {"next_channel_id", std::to_string(sensor.expected + 1)}}));
        const auto warnings = logs_at(sent, 4);
        ASSERT_FALSE(warnings.empty());
        EXPECT_EQ(warnings.back(), "Continuing channel ids at " + std::to_string(sensor.expected) +
                                       ", one past the highest id stored");
    }
}

}  // namespace
