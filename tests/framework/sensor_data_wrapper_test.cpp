#include "framework/settings/sensor_data_wrapper.hpp"

#include "module/utils/exceptions.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace vexa = korvel::probekit::libvexahelper;
using vexa::settings::sensor_data_wrapper;
using initialization_error = vexa::utils::exceptions::initialization_error;

sensor_data_wrapper wrap(const std::string& block) {
    return sensor_data_wrapper(block.data(), block.size());
}

TEST(sensor_data_wrapper, to_json_masks_every_secure_value_and_keeps_the_rest) {
    const auto data = wrap(R"({"kind": "simatic_s7_300_400_cpu_status_sensor",
      "settings": {"host": "10.0.0.5", "httpproxy.password": "hunter2", "korvelcloudapikey": "api-key-1",
                   "token": "marked-secure", "Section.PassWord": "mixed", "password.hint": "shown"},
      "secure_settings": ["token"]})");
    EXPECT_FALSE(data.is_secure("mypassword"));
    const std::string rendered = data.to_json();
    for (const char* secret : {"hunter2", "api-key-1", "marked-secure", "mixed"}) {
        EXPECT_EQ(rendered.find(secret), std::string::npos) << secret << " leaked into " << rendered;
    }
    const auto again = wrap(rendered);
    EXPECT_EQ(data.get_setting("httpproxy.password"), "hunter2");  // masking is for rendering only
    EXPECT_EQ(again.get_setting("token"), "***");
    EXPECT_EQ(again.get_setting("password.hint"), "shown");
    EXPECT_EQ(again.get_setting("host"), "10.0.0.5");
    EXPECT_FALSE(again.has_channels());
    EXPECT_TRUE(wrap(R"({"kind": "k", "settings": {}, "channels": {}})").has_channels());
}

TEST(sensor_data_wrapper, malformed_blocks_fail_with_initialization_error_naming_the_fault) {
    const std::string k = R"({"kind": "k", "settings": {}, )";
    const std::pair<std::string, std::string> cases[] = {
        {"", "The settings block is empty."},
        // A syntax error reports only where it is: the text around it may be a password.
        {R"({"kind": "k", "settings": {"password": "topsecret)",
         "The settings block is not valid JSON (error at byte 50)."},
        {std::string(100000, '[') + std::string(100000, ']'), "The settings block must be a JSON object."},
        {R"({"settings": {}})", "Member \"kind\" is missing."},
        {R"({"kind": 5, "settings": {}})", "Member \"kind\" must be a non-empty string."},
        {R"({"kind": "k"})", "Member \"settings\" is missing."},
        {R"({"kind": "k", "settings": []})", "Member \"settings\" must be an object."},
        {R"({"kind": "k", "settings": {"timeout": 60}})", "Setting \"timeout\" must have a string value."},
        {k + R"("secure_settings": ["x", 1]})", "Member \"secure_settings\" must be an array of strings."},
        {k + R"("channels": {" 1": "CPU"}})", "Channel id \" 1\" is not a decimal integer."},
        {k + R"("channels": {"1": "a", "01": "b"}})", "Channel id 1 appears twice."},
        {k + R"("persistent_data": {"n": 1}})", "Persistent value \"n\" must have a string value."},
    };
    for (const auto& [block, reason] : cases) {
        SCOPED_TRACE(block.substr(0, 80));
        test_support::expect_error<initialization_error>([&] { wrap(block); },
                                                         "Initialization error. " + reason);
    }
    test_support::expect_error<initialization_error>([] { sensor_data_wrapper(nullptr, 10); },
                                                     "Initialization error. The settings block is missing.");
}

}  // namespace
