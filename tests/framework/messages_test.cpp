#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>

#include "framework/responses/sensor_scan_result.hpp"
#include "libi18n/error_keys.hpp"
#include "libi18n/keyed_exception.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using nlohmann::json;

// Channel definitions reach the host program and are read back there (tests/host).
TEST(sensor_scan_result, values_keep_their_kind_and_the_message_its_key) {
    vexa::responses::sensor_scan_result result(9, nullptr);
    result.set_response_message({"#:message.operating_mode[RUN]", "Operating mode: RUN"});
    result.set_response_code(vexa::responses::scan_response_codes::warning);
    result.set_value(2, std::int64_t{40});
    result.set_value(1, 2.0);
    result.set_value(2, std::int64_t{41});  // the last value set wins
    result.set_value(3, std::nan(""));
    std::string bytes;
    result.serialize(bytes);
    const json message = json::parse(bytes);
    EXPECT_EQ(message,
              json::parse(R"({"type": "scan_result", "sensor_id": 9, "response_code": 1, "error_code": 0,
        "message": {"id": "#:message.operating_mode[RUN]", "text": "Operating mode: RUN"},
        "channels": [{"id": 1, "kind": 3, "value": 2.0}, {"id": 2, "kind": 1, "value": 41},
                     {"id": 3, "kind": 3, "value": null}]})"));
    EXPECT_TRUE(message.at("channels")[0].at("value").is_number_float());
}

// The cause of an error travels as a literal after the translatable text, so a host that translates
// the key can still show it.
TEST(sensor_scan_result, an_error_carries_its_cause_as_a_literal_after_the_text) {
    using cause_only = korvel::probekit::libi18n::keyed_exception<
        korvel::probekit::libi18n::i18n_exception,
        korvel::probekit::libi18n::error_keys::libresthelper::not_found>;
    const vexa::responses::sensor_scan_result result(
        4, cause_only(korvel::probekit::libi18n::because{"HTTP 404"}));
    std::string bytes;
    result.serialize(bytes);
    EXPECT_EQ(json::parse(bytes).at("message"), json::parse(R"x({"id": "#:libresthelper.error.not_found[]",
                               "text": "The requested resource was not found on the remote server. (HTTP 404)",
                               "cause": " (HTTP 404)"})x"));
}

}  // namespace
