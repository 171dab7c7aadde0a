#include <cmath>
#include <limits>
#include <stdexcept>

#include "framework/channels/dynamic_channel.hpp"
#include "framework/messaging/log_message.hpp"
#include "framework/messaging/module_information_message.hpp"
#include "framework/messaging/persistent_data.hpp"
#include "framework/responses/check_result.hpp"
#include "framework/responses/sensor_scan_result.hpp"
#include "module/utils/exceptions.hpp"
#include "test_support.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using nlohmann::json;
using vexa::testing::read_back;

TEST(message_service, hands_each_message_to_the_sink_once_as_its_serialised_bytes) {
    std::vector<std::string> delivered;
    vexa::messaging::message_service service([&](const void* bytes, unsigned size) {
        delivered.emplace_back(static_cast<const char*>(bytes), size);
    });
    const vexa::messaging::persistent_data message(42, "next_channel_id", "17");
    service.send(message);
    ASSERT_EQ(delivered.size(), 1u);
    const auto bytes = message.serialize();
    EXPECT_EQ(delivered[0], std::string(bytes.begin(), bytes.end()));
    // "type" leads, so a host can dispatch before reading the rest.
    EXPECT_EQ(delivered[0],
              R"({"type":"persistent_data","sensor_id":42,"key":"next_channel_id","value":"17"})");
}

TEST(module_information_message, carries_the_descriptor_byte_for_byte_whatever_the_flag) {
    const std::string descriptors[] = {
        R"({"MetaData": {"Vendor": "korvel"},  "Sections": {"Display": "👻 Proxy 👻", "x": "a\"b\\c\n"}})",
        "not json at all \t\x01 {",
    };
    for (const auto& descriptor : descriptors) {
        for (const bool include_texts : {true, false}) {
            const json message =
                read_back(vexa::messaging::module_information_message(descriptor, include_texts));
            EXPECT_EQ(message.at("type"), "module_information");
            EXPECT_EQ(message.at("include_texts"), include_texts);
            EXPECT_EQ(message.at("descriptor").get<std::string>(), descriptor);
        }
    }
    // Bytes that JSON cannot carry unchanged are refused rather than altered.
    EXPECT_THROW(vexa::messaging::module_information_message("bad \xff", true).serialize(), json::type_error);
}

TEST(sensor_scan_result, values_keep_their_kind_and_the_message_its_key) {
    vexa::responses::sensor_scan_result result(9, nullptr);
    result.set_response_message({"#:message.operating_mode[RUN]", "Operating mode: RUN"});
    result.set_response_code(vexa::responses::scan_response_codes::warning);
    result.set_value(2, std::int64_t{40});
    result.set_value(1, 2.0);
    result.set_value(2, std::int64_t{41});  // the last value set wins
    result.set_value(3, std::nan(""));
    const json message = read_back(result);
    EXPECT_EQ(message,
              json::parse(R"({"type": "scan_result", "sensor_id": 9, "response_code": 1, "error_code": 0,
        "message": {"id": "#:message.operating_mode[RUN]", "text": "Operating mode: RUN"},
        "channels": [{"id": 1, "kind": 3, "value": 2.0}, {"id": 2, "kind": 1, "value": 41},
                     {"id": 3, "kind": 3, "value": null}]})"));
    EXPECT_TRUE(message.at("channels")[0].at("value").is_number_float());
}

TEST(sensor_scan_result, error_results_carry_the_message_of_their_exception_and_no_values) {
    vexa::responses::sensor_scan_result localised(4, vexa::utils::exceptions::setting_not_available("host"));
    localised.set_value(1, std::int64_t{1});
    EXPECT_TRUE(localised.is_error());
    EXPECT_EQ(read_back(localised),
              json::parse(R"({"type": "error_result", "sensor_id": 4, "response_code": 3,
        "error_code": 0, "message": {"id": "#:libvexahelper.error.setting_not_available[host]",
                                     "text": "The setting \"host\" was not available."}})"));
    vexa::responses::sensor_scan_result plain(4, std::out_of_range("stoll argument out of range"));
    plain.set_error_code(12);
    const json message = read_back(plain);
    EXPECT_EQ(message.at("message"), json::parse(R"({"id": "stoll argument out of range",
                                                     "text": "stoll argument out of range"})"));
    EXPECT_EQ(message.at("error_code"), 12);
    // A localised error passed as a plain std::exception keeps its key.
    const vexa::utils::exceptions::channel_map_not_initialized error;
    EXPECT_EQ(read_back(vexa::responses::sensor_scan_result(4, static_cast<const std::exception&>(error)))
                  .at("message")
                  .at("id"),
              "#:libvexahelper.error.channel_map_not_initialized[]");
}

TEST(dynamic_channel, carries_the_whole_definition_with_four_limit_slots) {
    vexa::channels::dynamic_channel_options options;
    options.id = 1;
    options.key = "channel.cycle_ratio";
    options.display = {"#:channel.cycle_ratio[]", "Cycle Ratio"};
    options.kind = vexa::channels::value_kind::floating_point;
    options.unit = vexa::channels::unit::percent;
    options.limit_mode = true;
    options.limits[0] = {true, 80.0};
    options.limits[2] = {true, 70.0};
    options.limits[3] = {true, 100.0};
    EXPECT_EQ(read_back(vexa::channels::dynamic_channel(6, options)),
              json::parse(R"({"type": "dynamic_channel",
        "sensor_id": 6, "channel": {"id": 1, "key": "channel.cycle_ratio", "name": {"id": "#:channel.cycle_ratio[]", "text": "Cycle Ratio"},
        "kind": 3, "unit": 5, "lookup": "", "limit_mode": true, "limits": [80.0, null, 70.0, 100.0],
        "factor": 1.0, "custom_unit": "", "value_prefix": "", "value_suffix": "", "decimal_places": 0,
        "display_flags": 0, "chart_flags": 0}})"));
}

}  // namespace
