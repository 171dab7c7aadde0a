#include "framework/module/sensor_dispatcher.hpp"

#include <stdexcept>

#include "framework/responses/check_result.hpp"
#include "module/utils/exceptions.hpp"
#include "test_support.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using vexa::module::sensor_create_response_code;
using vexa::module::sensor_destroy_response_code;
using vexa::module::sensor_dispatcher;
using vexa::module::sensor_scan_response_code;
using vexa::module::service_container;
using vexa::settings::sensor_data_wrapper;

sensor_data_wrapper block(const std::string& kind) {
    const std::string text = R"({"kind": ")" + kind + R"(", "settings": {}})";
    return sensor_data_wrapper(text.data(), text.size());
}

// Holds the container as real sensors do; `during_scan` lets a test act in the middle of a scan.
struct fake_sensor final : vexa::sensors::sensor_interface {
    fake_sensor(std::shared_ptr<service_container> owner, int sensor_id)
        : container(std::move(owner)), id(sensor_id) {}
    int get_id() const override { return id; }
    void log(int, const std::string&) override {}
    void log(const std::string&) override {}
    void scan() override {
        if (during_scan) during_scan();
        ++scans;  // the sensor must still be alive here
    }
    std::shared_ptr<service_container> container;
    int id;
    int scans = 0;
    std::function<void()> during_scan;
};

template <typename Error>
sensor_dispatcher::factory failing(Error error) {
    return [error](std::shared_ptr<service_container>, int, const sensor_data_wrapper&) { throw error; };
}

struct dispatcher_test : ::testing::Test {
    vexa::testing::recording_host host;
    std::unique_ptr<sensor_dispatcher> dispatcher = std::make_unique<sensor_dispatcher>(host.container);
    int factory_calls = 0;
    std::weak_ptr<fake_sensor> sensor;

    dispatcher_test() {
        dispatcher->register_sensor(
            "fake", [this](std::shared_ptr<service_container> container, int id, const sensor_data_wrapper&) {
                ++factory_calls;
                auto created = std::make_shared<fake_sensor>(container, id);
                sensor = created;
                container->get<vexa::module::sensor_stock>()->add_sensor(id, created);
            });
        dispatcher->register_sensor("missing_timeout",
                                    failing(vexa::utils::exceptions::setting_not_available("timeout")));
        dispatcher->register_sensor("plain_failure", failing(std::runtime_error("invalid stoll argument")));
    }
};

TEST_F(dispatcher_test, a_sensor_lives_from_create_to_destroy) {
    ASSERT_EQ(dispatcher->create_sensor_instance(5, block("fake")), sensor_create_response_code::success);
    EXPECT_EQ(dispatcher->create_sensor_instance(5, block("fake")),
              sensor_create_response_code::sensor_id_in_use);
    EXPECT_EQ(factory_calls, 1);
    EXPECT_EQ(dispatcher->execute_sensor_scan(5), sensor_scan_response_code::success);
    EXPECT_EQ(sensor.lock()->scans, 1);
    EXPECT_EQ(dispatcher->destroy_sensor_instance(5), sensor_destroy_response_code::success);
    EXPECT_TRUE(sensor.expired());
    EXPECT_EQ(dispatcher->execute_sensor_scan(5), sensor_scan_response_code::sensor_not_found);
    EXPECT_EQ(dispatcher->destroy_sensor_instance(5), sensor_destroy_response_code::sensor_not_found);
    EXPECT_TRUE(host.messages->empty());
}

TEST_F(dispatcher_test, unknown_kinds_are_answered_with_codes_without_messages) {
    EXPECT_EQ(dispatcher->create_sensor_instance(1, block("none")),
              sensor_create_response_code::unknown_sensor_kind);
    EXPECT_EQ(dispatcher->execute_check(1, block("fake")),
              vexa::module::check_response_code::unknown_check_kind);
    EXPECT_EQ(dispatcher->execute_meta_scan(1, 0, block("fake")),
              vexa::module::meta_scan_response_code::not_supported);
    EXPECT_EQ(factory_calls, 0);
    EXPECT_TRUE(host.messages->empty());
    vexa::testing::expect_error<vexa::utils::exceptions::exception>(
        [&] { dispatcher->register_sensor("fake", [](auto, int, const auto&) {}); },
        "A sensor registry error occurred. The sensor kind \"fake\" is already registered.");
}

TEST_F(dispatcher_test, a_failing_factory_is_reported_to_the_host_and_rethrown) {
    EXPECT_THROW(dispatcher->create_sensor_instance(7, block("missing_timeout")),
                 vexa::utils::exceptions::setting_not_available);
    EXPECT_THROW(dispatcher->create_sensor_instance(8, block("plain_failure")), std::runtime_error);
    ASSERT_EQ(host.messages->size(), 2u);
    EXPECT_EQ(host.messages->at(0), nlohmann::json::parse(R"({"type": "error_result", "sensor_id": 7,
        "response_code": 3, "error_code": 0, "message": {"id": "#:libvexahelper.error.setting_not_available[timeout]",
        "text": "The setting \"timeout\" was not available."}})"));
    EXPECT_EQ(host.messages->at(1).at("message").at("text"), "invalid stoll argument");
    EXPECT_EQ(dispatcher->execute_sensor_scan(7), sensor_scan_response_code::sensor_not_found);

    // Without a way to report, the factory's own error still reaches the caller.
    sensor_dispatcher lonely(std::make_shared<service_container>());
    lonely.register_sensor("plain_failure", failing(std::runtime_error("the real reason")));
    vexa::testing::expect_error<std::runtime_error>(
        [&] { lonely.create_sensor_instance(1, block("plain_failure")); }, "the real reason");
}

TEST_F(dispatcher_test, a_failing_check_still_answers_with_a_check_result) {
    dispatcher->register_check(
        "login", [](std::shared_ptr<service_container> container, int id, const sensor_data_wrapper&) {
            vexa::responses::check_result result(id);
            result.set_success(true);
            container->get<vexa::messaging::message_service_interface>()->send(result);
        });
    dispatcher->register_check("broken", failing(vexa::utils::exceptions::setting_not_available("username")));
    EXPECT_EQ(dispatcher->execute_check(3, block("login")), vexa::module::check_response_code::success);
    EXPECT_THROW(dispatcher->execute_check(4, block("broken")),
                 vexa::utils::exceptions::setting_not_available);
    ASSERT_EQ(host.messages->size(), 2u);
    EXPECT_EQ(host.messages->at(0).at("success"), true);
    EXPECT_EQ(host.messages->at(1),
              nlohmann::json::parse(R"({"type": "check_result", "check_id": 4, "success": false,
        "message": {"id": "#:libvexahelper.error.setting_not_available[username]",
                    "text": "The setting \"username\" was not available."}})"));
}

TEST_F(dispatcher_test, a_scan_keeps_its_sensor_alive_while_the_sensor_is_destroyed) {
    ASSERT_EQ(dispatcher->create_sensor_instance(5, block("fake")), sensor_create_response_code::success);
    sensor.lock()->during_scan = [this] { dispatcher->destroy_sensor_instance(5); };
    EXPECT_EQ(dispatcher->execute_sensor_scan(5), sensor_scan_response_code::success);
    EXPECT_TRUE(sensor.expired());
}

TEST_F(dispatcher_test, destroying_the_dispatcher_releases_sensors_and_with_them_the_container) {
    ASSERT_EQ(dispatcher->create_sensor_instance(5, block("fake")), sensor_create_response_code::success);
    vexa::testing::expect_error<vexa::utils::exceptions::exception>(
        [&] { host.container->get<vexa::module::sensor_stock>()->add_sensor(5, sensor.lock()); },
        "Sensor with ID 5 is already registered.");
    const std::weak_ptr<service_container> container = host.container;
    host.container.reset();
    dispatcher.reset();
    EXPECT_TRUE(sensor.expired());
    EXPECT_TRUE(container.expired());
}

}  // namespace
