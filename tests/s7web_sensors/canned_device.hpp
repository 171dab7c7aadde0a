#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "libresthelper/rest_helper_factory.hpp"
#include "libresthelper/rest_interface.hpp"
#include "module/sensors/registration.hpp"
#include "s7/s7web/s7web_client.hpp"
#include "s7/simatic_s7_1200_1500_alarm_status_sensor.hpp"
#include "s7/simatic_s7_1200_1500_cpu_status_sensor.hpp"
#include "s7/simatic_s7_1200_1500_hardware_status_sensor.hpp"
#include "tests/support/test_module.hpp"

namespace s7web_sensors_test {

using nlohmann::json;
namespace vexa = korvel::probekit::libvexahelper;
namespace s7 = korvel::probekit::s7;
namespace libresthelper = korvel::probekit::libresthelper;

// A Web API device behind the REST client's interface, answering each request of a batch as the test
// says: `answer` gets a request and returns its "result" or "error" member (null: no answer at all).
// The probe and the login always succeed. Records every batch it got.
class canned_device {
public:
    std::function<json(const json& request)> answer = [](const json&) { return json{{"result", nullptr}}; };
    std::vector<json> batches;

    libresthelper::response perform(const libresthelper::request& request) {
        const json batch = json::parse(request.body);
        batches.push_back(batch);
        json answers = json::array();
        for (const json& call : batch) {
            json element{{"id", call.at("id")}, {"jsonrpc", "2.0"}};
            if (call.at("method") == "Api.Version") {
                element["result"] = 3.1;
            } else if (call.at("method") == "Api.Login") {
                element["result"] = {{"token", "t0k.en+"}};
            } else {
                const json reply = answer(call);
                if (reply.is_null()) continue;
                element.update(reply);
            }
            answers.push_back(element);
        }
        return {200, answers.dump(), {}, {}};
    }

    // The request ids of every batch but the probe and without the login, in order.
    std::vector<std::vector<std::string>> request_ids() const {
        std::vector<std::vector<std::string>> ids;
        for (const json& batch : batches) {
            if (batch.at(0).at("method") == "Api.Version") continue;
            std::vector<std::string> batch_ids;
            for (const json& call : batch) {
                if (call.at("method") != "Api.Login") batch_ids.push_back(call.at("id"));
            }
            ids.push_back(batch_ids);
        }
        return ids;
    }
};

inline json error_answer(std::int64_t code) {
    return {{"error", {{"code", code}, {"message", "error"}}}};
}

// The three S7-1200/1500 sensors in the module's frame, their Web API client on a canned device.
class s7web_sensor_fixture : public ::testing::Test, protected module_test::test_module {
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
        vexa::module::register_sensor_as<s7::simatic_s7_1200_1500_cpu_status_sensor>(
            *dispatcher, s7::simatic_s7_1200_1500_cpu_status_sensor::kind_name);
        vexa::module::register_sensor_as<s7::simatic_s7_1200_1500_alarm_status_sensor>(
            *dispatcher, s7::simatic_s7_1200_1500_alarm_status_sensor::kind_name);
        vexa::module::register_sensor_as<s7::simatic_s7_1200_1500_hardware_status_sensor>(
            *dispatcher, s7::simatic_s7_1200_1500_hardware_status_sensor::kind_name);
    }

    static json block(const std::string& kind, const json& persistent = json::object()) {
        return {{"kind", kind},
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
    }

    void create_sensor(int id, const std::string& kind, const json& persistent = json::object()) {
        ASSERT_EQ(create(id, block(kind, persistent)), vexa::module::sensor_create_response_code::success);
    }

    // The scan's one result; the other messages stay in `sent` for the test to look at.
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

    // Channel id to value.
    static std::map<int, json> values(const json& result) {
        std::map<int, json> found;
        for (const auto& value : result.at("channels")) found[value.at("id")] = value.at("value");
        return found;
    }

    // Persistent values the last scan sent.
    std::map<std::string, std::string> persisted() const {
        std::map<std::string, std::string> found;
        for (const auto& message : sent) {
            if (message.at("type") == "persistent_data") found[message.at("key")] = message.at("value");
        }
        return found;
    }

    // The channels announced since the last scan started, id to display text.
    std::map<int, std::string> announced() const {
        std::map<int, std::string> found;
        for (const auto& message : sent) {
            if (message.at("type") == "dynamic_channel")
                found[message.at("channel").at("id")] = message.at("channel").at("name").at("text");
        }
        return found;
    }

    std::vector<std::string> log_lines() const {
        std::vector<std::string> lines;
        for (const auto& message : sent) {
            if (message.at("type") == "log") lines.push_back(message.at("text"));
        }
        return lines;
    }

    bool logged(const std::string& line) const {
        const auto lines = log_lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

}  // namespace s7web_sensors_test
