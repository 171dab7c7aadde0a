#include "framework/module/sensor_dispatcher.hpp"

#include <gtest/gtest.h>

#include "tests/support/test_module.hpp"

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

struct dispatcher_test : ::testing::Test, module_test::test_module {
    int factory_calls = 0;
    std::weak_ptr<fake_sensor> sensor;

    dispatcher_test() {
        dispatcher->register_sensor(
            "fake", [this](std::shared_ptr<service_container> owner, int id, const sensor_data_wrapper&) {
                ++factory_calls;
                auto created = std::make_shared<fake_sensor>(owner, id);
                sensor = created;
                owner->get<vexa::module::sensor_stock>()->add_sensor(id, created);
            });
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
    EXPECT_TRUE(sent.empty());
}

TEST_F(dispatcher_test, unknown_kinds_are_answered_with_codes_without_messages) {
    EXPECT_EQ(dispatcher->create_sensor_instance(1, block("none")),
              sensor_create_response_code::unknown_sensor_kind);
    EXPECT_EQ(dispatcher->execute_check(1, block("fake")),
              vexa::module::check_response_code::unknown_check_kind);
    EXPECT_EQ(dispatcher->execute_meta_scan(1, 0, block("fake")),
              vexa::module::meta_scan_response_code::not_supported);
    EXPECT_EQ(factory_calls, 0);
    EXPECT_TRUE(sent.empty());
}

TEST_F(dispatcher_test, a_scan_keeps_its_sensor_alive_while_the_sensor_is_destroyed) {
    ASSERT_EQ(dispatcher->create_sensor_instance(5, block("fake")), sensor_create_response_code::success);
    sensor.lock()->during_scan = [this] { dispatcher->destroy_sensor_instance(5); };
    EXPECT_EQ(dispatcher->execute_sensor_scan(5), sensor_scan_response_code::success);
    EXPECT_TRUE(sensor.expired());
}

TEST_F(dispatcher_test, destroying_the_dispatcher_releases_sensors_and_with_them_the_container) {
    ASSERT_EQ(dispatcher->create_sensor_instance(5, block("fake")), sensor_create_response_code::success);
    const std::weak_ptr<service_container> weak = container;
    container.reset();
    dispatcher.reset();
    EXPECT_TRUE(sensor.expired());
    EXPECT_TRUE(weak.expired());
}

}  // namespace
