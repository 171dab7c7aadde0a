#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "framework/channels/dynamic_channel.hpp"
#include "framework/responses/sensor_scan_result.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using nlohmann::json;

nlohmann::json read_back(const vexa::messaging::vexa_message& message) {
    std::string bytes;
    message.serialize(bytes);
    return nlohmann::json::parse(bytes);
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
