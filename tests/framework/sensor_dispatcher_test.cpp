#include "framework/module/sensor_dispatcher.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tests/support/test_module.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using vexa::module::sensor_create_response_code;
using vexa::module::sensor_destroy_response_code;
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
    std::chrono::seconds scan_timeout() const override { return timeout; }
    void scan(const korvel::probekit::libdeadline::deadline&) override {
        const int overlapping = ++running;
        if (during_scan) during_scan();
        max_running = std::max(max_running.load(), overlapping);
        --running;
        ++scans;  // the sensor must still be alive here
    }
    std::shared_ptr<service_container> container;
    int id;
    std::atomic<int> scans = 0;
    std::atomic<int> running = 0;
    std::atomic<int> max_running = 0;
    std::chrono::seconds timeout{60};
    std::function<void()> during_scan;
};

// Codes, concurrent creates and the error result of a failed create are shown through the exports.
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

    std::shared_ptr<fake_sensor> create_fake() {
        EXPECT_EQ(dispatcher->create_sensor_instance(5, block("fake")), sensor_create_response_code::success);
        return sensor.lock();
    }
};

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

TEST_F(dispatcher_test,
       a_scan_keeps_its_sensor_alive_while_it_is_destroyed_and_the_dispatcher_releases_the_rest) {
    create_fake()->during_scan = [this] { dispatcher->destroy_sensor_instance(5); };
    EXPECT_EQ(dispatcher->execute_sensor_scan(5), sensor_scan_response_code::success);
    EXPECT_TRUE(sensor.expired());
    EXPECT_EQ(dispatcher->destroy_sensor_instance(5), sensor_destroy_response_code::sensor_not_found);

    create_fake();
    const std::weak_ptr<service_container> weak = container;
    container.reset();
    dispatcher.reset();
    EXPECT_TRUE(sensor.expired());
    EXPECT_TRUE(weak.expired()) << "sensor and container must not keep each other alive";
}

TEST_F(dispatcher_test, scans_of_one_id_run_one_at_a_time) {
    const auto scanned = create_fake();
    scanned->during_scan = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] {
            for (int j = 0; j < 5; ++j)
                EXPECT_EQ(dispatcher->execute_sensor_scan(5), sensor_scan_response_code::success);
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(scanned->scans, 20);
    EXPECT_EQ(scanned->max_running, 1);
}

TEST_F(dispatcher_test, a_scan_that_cannot_start_before_its_deadline_answers_with_an_error_result) {
    const auto scanned = create_fake();
    scanned->timeout = std::chrono::seconds(1);
    std::atomic<bool> release{false};
    scanned->during_scan = [&] {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    std::thread first([&] { dispatcher->execute_sensor_scan(5); });
    while (scanned->running == 0) std::this_thread::yield();
    EXPECT_EQ(dispatcher->execute_sensor_scan(5), sensor_scan_response_code::success);
    release = true;
    first.join();
    const auto errors = take("error_result");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].at("sensor_id"), 5);
    EXPECT_EQ(
        errors[0].at("message").at("text"),
        "An error occurred. The scan did not finish within its time-out of 1 s. (waiting for the sensor's "
        "previous scan to finish)");
    EXPECT_EQ(scanned->scans, 1);
}

}  // namespace
