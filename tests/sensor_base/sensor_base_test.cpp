#include "module/sensors/sensor_base.hpp"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "libi18n/error_keys.hpp"
#include "module/sensors/registration.hpp"
#include "module/settings/base_settings.hpp"
#include "tests/support/test_module.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
namespace i18n = korvel::probekit::libi18n;
using json = nlohmann::json;

struct test_settings {
    korvel::probekit::s7::settings::base_settings base;
    static test_settings parse(const vexa::settings::sensor_data_wrapper& data) {
        return {korvel::probekit::s7::settings::parse_base_settings(data)};
    }
};

// Does what each test asks of it in its scan.
class test_sensor final : public vexa::sensors::sensor_base<test_settings> {
public:
    test_sensor(std::shared_ptr<vexa::module::service_container> container, int id, test_settings settings,
                std::shared_ptr<vexa::settings::channel_map> channels,
                vexa::settings::persistent_data_storage storage)
        : sensor_base(std::move(container), id, std::move(settings), std::move(channels), std::move(storage),
                      "Test Sensor") {}

    static inline std::function<void(test_sensor&)> behaviour;

    using sensor_base::ensure_dynamic_channel;
    using sensor_base::get_persistent;
    using sensor_base::set_persistent;

private:
    void do_scan() override { behaviour(*this); }
};

class sensor_base_test : public ::testing::Test, protected module_test::test_module {
protected:
    void SetUp() override { vexa::module::register_sensor_as<test_sensor>(*dispatcher, "test_sensor"); }

    void create(int id, const std::string& logging, const json& extra = json::object()) {
        json block{{"kind", "test_sensor"},
                   {"settings", {{"host", "plc"}, {"timeout", "60"}, {"logging", logging}}},
                   {"channels", {{"0", "Known"}}},
                   {"persistent_data", {{"counter", "1"}}}};
        block.merge_patch(extra);
        ASSERT_EQ(test_module::create(id, block), vexa::module::sensor_create_response_code::success);
    }
};

using module_test::texts_of;

TEST_F(sensor_base_test, a_throwing_scan_becomes_one_error_result_between_the_banners) {
    test_sensor::behaviour = [](test_sensor&) {
        throw i18n::i18n_exception(
            i18n::make_msg(i18n::error_keys::libs7::read_szl_failed, "0424", "0000", "down"));
    };
    create(1, "enabled");
    sent.clear();
    dispatcher->execute_sensor_scan(1);

    std::vector<std::string> order;
    for (const auto& message : sent)
        order.push_back(message.at("type") == "log" ? message.at("text").get<std::string>()
                                                    : message.at("type").get<std::string>());
    EXPECT_EQ(order, (std::vector<std::string>{
                         "#################### Enter sensor scan ####################",
                         "Failed to read system status list with SSL-ID 0x0424/0x0000. down", "error_result",
                         "#################### Exit sensor scan  ####################"}));

    const auto errors = take("error_result");
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].at("response_code"), 3);
    EXPECT_EQ(errors[0].at("error_code"), 0);
    EXPECT_EQ(errors[0].at("message").at("id"), "#:libs7.error.read_szl_failed[0424,0000,down]");
}

TEST_F(sensor_base_test, logging_setting_decides_whether_banners_reach_the_sensor_log) {
    test_sensor::behaviour = [](test_sensor&) {};
    create(1, "enabled", {{"settings", {{"korvelcloudapikey", "top-secret"}}}});
    const auto enabled = texts_of(take("log"));
    ASSERT_EQ(enabled.size(), 3u);
    EXPECT_EQ(enabled[0], "#################### Initializing ####################");
    EXPECT_EQ(enabled[1], "Test Sensor version is: 1.21.0.22799\n");
    EXPECT_EQ(enabled[2].find("top-secret"), std::string::npos) << "the settings dump hides secrets";

    create(2, "disabled");
    EXPECT_TRUE(take("log").empty());
    dispatcher->execute_sensor_scan(2);
    dispatcher->destroy_sensor_instance(2);
    EXPECT_TRUE(take("log").empty());

    dispatcher->destroy_sensor_instance(1);
    EXPECT_EQ(texts_of(take("log")),
              std::vector<std::string>{"#################### Cleaning Up  ####################"});
}

// Only what changed reaches the host: a persistent value set to what it holds, a channel the host
// listed, or one announced by an earlier scan, sends nothing.
TEST_F(sensor_base_test, persistent_values_and_channels_are_sent_only_when_new) {
    test_sensor::behaviour = [](test_sensor& sensor) {
        sensor.set_persistent("counter", "1");
        sensor.set_persistent("counter", "2");
        sensor.set_persistent("counter", "2");
        EXPECT_EQ(sensor.get_persistent("counter"), "2");
        EXPECT_EQ(sensor.get_persistent("absent"), std::nullopt);
        for (int id : {0, 1, 1}) {
            vexa::channels::dynamic_channel_options options;
            options.id = id;
            options.display = i18n::literal_msg("channel");
            sensor.ensure_dynamic_channel(options);
        }
    };
    create(1, "disabled");
    sent.clear();
    dispatcher->execute_sensor_scan(1);
    const auto first_scan = sent;
    EXPECT_EQ(take("persistent_data"),
              (std::vector<json>{
                  json{{"type", "persistent_data"}, {"sensor_id", 1}, {"key", "counter"}, {"value", "2"}}}));
    sent = first_scan;
    const auto announced = take("dynamic_channel");
    ASSERT_EQ(announced.size(), 1u) << "channel 0 is listed by the host; channel 1 is new, once";
    EXPECT_EQ(announced[0].at("channel").at("id"), 1);
    dispatcher->execute_sensor_scan(1);
    EXPECT_TRUE(take("dynamic_channel").empty()) << "a later scan announces nothing again";
}

}  // namespace
