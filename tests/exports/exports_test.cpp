// Drives the real shared library through its C exports, as the host does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>

#include "host/harness/module_library.hpp"

namespace {

using korvel::probekit::host::module_library;
using json = nlohmann::json;

constexpr int not_initialised_code = 3;

std::vector<json> of_type(const std::vector<std::string>& messages, const std::string& type) {
    std::vector<json> found;
    for (const auto& message : messages) {
        auto document = json::parse(message);
        if (document.at("type") == type) found.push_back(std::move(document));
    }
    return found;
}

class exports_test : public ::testing::Test {
protected:
    module_library module{MODULE_PATH};
};

TEST(module_file, exports_exactly_the_ten_functions) {
    std::unique_ptr<FILE, decltype(&pclose)> nm(popen("nm -D --defined-only " MODULE_PATH, "r"), &pclose);
    ASSERT_NE(nm, nullptr);
    std::set<std::string> exported;
    char address[64], kind[8], name[256];
    while (fscanf(nm.get(), "%63s %7s %255s", address, kind, name) == 3) exported.insert(name);
    EXPECT_EQ(exported, (std::set<std::string>{"GetApiLevel", "InitializeModule", "CleanupModule",
                                               "GetModuleInformation", "GetModuleInformationSync",
                                               "CreateSensorInstance", "ExecuteSensorScan", "ExecuteCheck",
                                               "ExecuteMetaScan", "DestroySensorInstance"}));
}

TEST_F(exports_test, calls_before_initialisation_are_refused) {
    EXPECT_EQ(module.get_api_level(), 6);
    EXPECT_EQ(module.create_sensor(1, "{}"), not_initialised_code);
    EXPECT_EQ(module.scan(1), not_initialised_code);
    EXPECT_EQ(module.check(1, "{}"), not_initialised_code);
    EXPECT_EQ(module.meta_scan(1, 0, "{}"), not_initialised_code);
    EXPECT_EQ(module.destroy_sensor(1), not_initialised_code);
    std::uint32_t size = 0;
    EXPECT_EQ(module.get_module_information_sync(nullptr, &size, true), 2);
    module.get_module_information(true);
    EXPECT_TRUE(module.messages().empty());
}

TEST_F(exports_test, one_instance_from_initialisation_to_cleanup_traces_every_call) {
    EXPECT_EQ(module.initialize_with(nullptr), 1) << "no callback, no module";
    EXPECT_EQ(module.scan(1), not_initialised_code);
    ASSERT_EQ(module.initialize(), 0);
    EXPECT_EQ(module.get_api_level(), 6);

    const std::string descriptor = module.module_information(true);
    module.take_messages();
    EXPECT_EQ(module.initialize(), 1);
    const auto logs = of_type(module.take_messages(), "log");
    EXPECT_TRUE(std::any_of(logs.begin(), logs.end(), [](const json& log) {
        return log.at("text") == "InitializeModule called on already initialized module.";
    }));
    EXPECT_EQ(module.module_information(true), descriptor) << "the first instance keeps working";

    module.take_messages();
    module.scan(42);
    const std::string name =
        "korvel::probekit::libvexahelper::module::module_instance_adapter::execute_sensor_scan";
    const auto traces = of_type(module.take_messages(), "log");
    ASSERT_EQ(traces.size(), 2u);
    EXPECT_EQ(traces[0].at("text"), "### Begin " + name + " ###");
    EXPECT_EQ(traces[1].at("text"), "### End   " + name + " ###");

    EXPECT_EQ(module.cleanup(), 0);
    EXPECT_EQ(module.cleanup(), 0);
    EXPECT_EQ(module.scan(1), not_initialised_code);
    EXPECT_EQ(module.initialize(), 0);
}

TEST_F(exports_test, module_information_size_in_size_out_and_through_the_callback) {
    ASSERT_EQ(module.initialize(), 0);
    EXPECT_EQ(module.get_module_information_sync(nullptr, nullptr, true), 1);

    std::uint32_t size = 0;
    ASSERT_EQ(module.get_module_information_sync(nullptr, &size, true), 0);
    const std::uint32_t required = size;
    ASSERT_GT(required, 0u);

    std::string buffer(required, '#');
    size = required - 1;
    EXPECT_EQ(module.get_module_information_sync(buffer.data(), &size, true), 1);
    EXPECT_EQ(size, required);
    EXPECT_EQ(buffer, std::string(required, '#')) << "nothing may be copied into a short buffer";
    EXPECT_EQ(module.get_module_information_sync(buffer.data(), &size, true), 0);
    EXPECT_EQ(size, required);
    EXPECT_EQ(json::parse(buffer).at("type"), "module_information");

    module.take_messages();
    module.get_module_information(false);
    const auto sent = of_type(module.take_messages(), "module_information");
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.front(), json::parse(module.module_information(false)));
}

TEST_F(exports_test, an_exception_below_the_boundary_answers_two) {
    ASSERT_EQ(module.initialize(), 0);
    for (const char* garbage : {"not json", "{\"kind\": 5}"}) {
        SCOPED_TRACE(garbage);
        EXPECT_EQ(module.create_sensor(1, garbage), 2);
        EXPECT_EQ(module.check(1, garbage), 2);
        EXPECT_EQ(module.meta_scan(1, 0, garbage), 2);
    }
    EXPECT_EQ(module.get_api_level(), 6) << "the module must stay usable";
}

}  // namespace
