// The S7-1200/1500 sensors in the module's frame over canned Web API answers, for what the simulator
// cannot show: answers missing from a batch, a redundant CPU refusing its ids too, unreadable module
// statuses, a tree deeper than the walk goes, and per-module channel ids handed back by the host.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>

#include "libresthelper/rest_helper_factory.hpp"
#include "libresthelper/rest_interface.hpp"
#include "module/sensors/registration.hpp"
#include "s7/s7web/s7web_client.hpp"
#include "s7/simatic_s7_1200_1500_alarm_status_sensor.hpp"
#include "s7/simatic_s7_1200_1500_cpu_status_sensor.hpp"
#include "s7/simatic_s7_1200_1500_hardware_status_sensor.hpp"
#include "tests/support/test_module.hpp"

namespace {

using nlohmann::json;
namespace vexa = korvel::probekit::libvexahelper;
namespace s7 = korvel::probekit::s7;
namespace libresthelper = korvel::probekit::libresthelper;
using strings = std::map<std::string, std::string>;

constexpr const char* cpu_status_kind = "simatic_s7_1200_1500_cpu_status_sensor";
constexpr const char* alarm_kind = "simatic_s7_1200_1500_alarm_status_sensor";
constexpr const char* hardware_status_kind = "simatic_s7_1200_1500_hardware_status_sensor";

json module(int hwid, const std::string& name) {
    return {{"hwid", hwid}, {"name", name}, {"type", "module"}};
}

// A device whose probe and login succeed and whose other answers are the test's: alarms, the nodes
// each browse lists (by browsed hardware id, "root" for the root) and module statuses by hardware id.
// A request it has nothing for goes unanswered; mode reads are refused as by a redundant CPU.
struct canned_device {
    json alarms = {{"result", {{"entries", json::array()}}}};
    std::map<std::string, json> browses;
    std::map<int, json> statuses;
    std::size_t batches = 0;

    json answer(const json& call) const {
        const std::string method = call.at("method");
        const json params = call.value("params", json::object());
        if (method == "Alarms.Browse") return alarms;
        if (method == "Modules.Browse") {
            const auto found = browses.find(params.contains("hwid") ? params.at("hwid").dump() : "root");
            return {{"result", {{"nodes", found == browses.end() ? json::array() : found->second}}}};
        }
        if (method == "Modules.ReadStatus") {
            const auto found = statuses.find(params.at("hwid").get<int>());
            return found == statuses.end() ? json() : found->second;
        }
        return {{"error", {{"code", -32602}}}};
    }

    libresthelper::response perform(const libresthelper::request& request) {
        ++batches;
        json answers = json::array();
        for (const json& call : json::parse(request.body)) {
            json element{{"id", call.at("id")}, {"jsonrpc", "2.0"}};
            if (call.at("method") == "Api.Version") {
                element["result"] = 3.1;
            } else if (call.at("method") == "Api.Login") {
                element["result"] = {{"token", "t0k.en+"}};
            } else if (const json reply = answer(call); !reply.is_null()) {
                element.update(reply);
            } else {
                continue;
            }
            answers.push_back(element);
        }
        return {200, answers.dump(), {}, {}};
    }
};

class canned_answers_test : public ::testing::Test, protected module_test::test_module {
protected:
    std::shared_ptr<canned_device> device = std::make_shared<canned_device>();

    void SetUp() override {
        struct shared_device final : libresthelper::rest_interface {
            explicit shared_device(std::shared_ptr<canned_device> shared) : device(std::move(shared)) {}
            libresthelper::response perform(const libresthelper::request& request,
                                            const korvel::probekit::libdeadline::deadline&) override {
                return device->perform(request);
            }
            std::shared_ptr<canned_device> device;
        };
        container->add_factory(libresthelper::rest_helper_factory(
            [this](const libresthelper::settings&) { return std::make_unique<shared_device>(device); }));
        container->add_factory(s7::s7web::get_s7web_client_factory());
        vexa::module::register_sensor_as<s7::simatic_s7_1200_1500_cpu_status_sensor>(*dispatcher,
                                                                                     cpu_status_kind);
        vexa::module::register_sensor_as<s7::simatic_s7_1200_1500_alarm_status_sensor>(*dispatcher,
                                                                                       alarm_kind);
        vexa::module::register_sensor_as<s7::simatic_s7_1200_1500_hardware_status_sensor>(
            *dispatcher, hardware_status_kind);
    }

    void create_sensor(int id, const std::string& kind, const json& persistent = json::object()) {
        const json block{{"kind", kind},
                         {"settings",
                          {{"host", "plc.example"},
                           {"timeout", "60"},
                           {"logging", "enabled"},
                           {"s7web_credentials_section.username", "monitor"},
                           {"s7web_credentials_section.password", "secret"},
                           {"s7web_credentials_section.port", "443"},
                           {"shared_http_validation_section.certificate_validation", "none"}}},
                         {"channels", json::object()},
                         {"persistent_data", persistent}};
        ASSERT_EQ(create(id, block), vexa::module::sensor_create_response_code::success);
    }

    // The scan's one result; the other messages stay in `sent`.
    json scan(int id) {
        sent.clear();
        dispatcher->execute_sensor_scan(id);
        json result;
        for (const auto& message : sent) {
            if (message.at("type") == "scan_result" || message.at("type") == "error_result") {
                EXPECT_TRUE(result.is_null()) << "one result per scan";
                result = message;
            }
        }
        return result;
    }

    static std::map<int, json> values(const json& result) {
        std::map<int, json> found;
        for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
        return found;
    }

    // The persistent values the last scan sent.
    strings persisted() const {
        strings found;
        for (const auto& message : sent) {
            if (message.at("type") == "persistent_data") found[message.at("key")] = message.at("value");
        }
        return found;
    }

    std::size_t announced() const {
        return std::count_if(sent.begin(), sent.end(),
                             [](const json& message) { return message.at("type") == "dynamic_channel"; });
    }

    bool logged(const std::string& line) const {
        return std::any_of(sent.begin(), sent.end(), [&](const json& message) {
            return message.at("type") == "log" && message.at("text") == line;
        });
    }
};

TEST_F(canned_answers_test, alarm_module_channels_take_ids_from_five_in_name_order_and_keep_them) {
    device->browses["root"] = json::array({module(10, "Pump"), module(11, "Fan")});
    create_sensor(1, alarm_kind);
    scan(1);
    const auto stored = persisted();
    EXPECT_EQ(stored, (strings{{"Fan", "5"}, {"Pump", "6"}, {"next_channel_id", "7"}}));
    dispatcher->destroy_sensor_instance(1);

    // The host hands the values back to the next instance; a new module gets the next free id.
    device->browses["root"].push_back(module(12, "Boiler"));
    create_sensor(1, alarm_kind, json(stored));
    const auto found = values(scan(1));
    for (const int id : {5, 6, 7}) EXPECT_EQ(found.at(id), 1) << id;
    EXPECT_EQ(persisted(), (strings{{"Boiler", "7"}, {"next_channel_id", "8"}}));
}

TEST_F(canned_answers_test, nodes_below_the_depth_bound_get_no_alarm_channel) {
    // Devices 1 to 9 in a chain, each announcing the next without sending it.
    for (int level = 1; level <= 9; ++level) {
        device->browses[level == 1 ? "root" : std::to_string(level - 1)] =
            json::array({{{"hwid", level},
                          {"name", "Device " + std::to_string(level)},
                          {"type", "device"},
                          {"has_children", true}}});
    }
    create_sensor(1, alarm_kind);
    ASSERT_EQ(scan(1).at("type"), "scan_result");
    EXPECT_EQ(announced(), 8u) << "devices 1 to 8";
    EXPECT_EQ(device->batches, 9u) << "the probe, the first batch and seven further passes";
    EXPECT_TRUE(logged("Reached maximum tree depth; 1 node(s) below this level get no alarm channel"));
}

TEST_F(canned_answers_test, a_missing_alarm_answer_or_a_refused_redundancy_id_ends_the_scan) {
    device->alarms = nullptr;
    create_sensor(1, alarm_kind);
    const json alarms = scan(1);
    ASSERT_EQ(alarms.at("type"), "error_result");
    EXPECT_EQ(alarms.at("message").at("text"),
              "An unexpected error occurred while communicating with the S7 Web API.");
    EXPECT_TRUE(logged("The batch response contained no Alarms.Browse result"));

    // Refused in the plain form and again with redundancy ids: one resend, then the error.
    device->batches = 0;
    create_sensor(2, cpu_status_kind);
    const json cpu = scan(2);
    ASSERT_EQ(cpu.at("type"), "error_result");
    EXPECT_EQ(cpu.at("message").at("text"),
              "Invalid parameter: The 'redundancy_id' parameter is not valid for this CPU type. "
              "(Plc.ReadOperatingMode.1 error -32602: the controller refused the parameters)");
    EXPECT_EQ(device->batches, 2u);
}

TEST_F(canned_answers_test, unreadable_and_missing_module_statuses_report_zero_and_no_fault) {
    device->browses["root"] = json::array({module(257, "DI 32"), module(258, "AQ 8")});
    device->statuses[258] = {{"error", {{"code", -32601}}}};  // 257 goes unanswered
    create_sensor(1, hardware_status_kind);
    const json result = scan(1);
    ASSERT_EQ(result.at("type"), "scan_result") << result.dump();
    EXPECT_EQ(values(result), (std::map<int, json>{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_TRUE(logged("Status unreadable for module 'AQ 8' (hwid 258); reporting as Unknown"));
    EXPECT_FALSE(logged("Status unreadable for module 'DI 32' (hwid 257); reporting as Unknown"));
}

}  // namespace
