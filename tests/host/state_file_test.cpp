// The state file across runs: what one run learns from the module, the next run sends back.

#include "host/cli/state_file.hpp"

#include <gtest/gtest.h>

#include <fstream>

#include "host/cli/settings_block.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;

constexpr const char* kind = "simatic_s7_1200_1500_hardware_status_sensor";

json persistent(const std::string& key, const std::string& value) {
    return {{"type", "persistent_data"}, {"sensor_id", 5}, {"key", key}, {"value", value}};
}

json dynamic_channel(int id, const std::string& name) {
    return {{"type", "dynamic_channel"}, {"sensor_id", 5},
            {"channel", {{"id", id}, {"lookup", "hardware_status"},
                         {"name", {{"id", "#:channel.hardware_device[" + name + "]"}, {"text", name + " Status"}}}}}};
}

json block_for(sensor_record& sensor) {
    return build_settings_block({kind, {}, {}, &sensor});
}

class state_file_test : public ::testing::Test {
protected:
    korvel::probekit::host::test_support::temporary_directory directory;
    std::filesystem::path file = directory.path() / "state.json";
};

TEST_F(state_file_test, what_one_run_learns_the_next_run_sends_back) {
    {  // first run: no file yet
        auto state = load_state(file);
        EXPECT_EQ(block_for(state.sensor(kind, 5)).at("channels"), json::object());
        auto& sensor = state.sensor(kind, 5);
        EXPECT_TRUE(sensor.apply(persistent("next_channel_id", "2")));
        EXPECT_TRUE(sensor.apply(dynamic_channel(1, "PLC_1")));
        EXPECT_FALSE(sensor.apply(dynamic_channel(1, "PLC_1")))
            << "the same definition again changes nothing";
        EXPECT_FALSE(sensor.apply({{"type", "scan_result"}, {"sensor_id", 5}}));
        save_state(state, file);
    }
    {  // second run: reads it back, learns more
        auto state = load_state(file);
        auto& sensor = state.sensor(kind, 5);
        EXPECT_EQ(block_for(sensor).at("channels"), json({{"1", "PLC_1 Status"}}));
        EXPECT_TRUE(sensor.apply(persistent("next_channel_id", "3")));
        EXPECT_TRUE(sensor.apply(dynamic_channel(2, "IO_2")));
        save_state(state, file);
    }
    auto state = load_state(file);
    auto& sensor = state.sensor(kind, 5);
    const auto block = block_for(sensor);
    EXPECT_EQ(block.at("channels"), json({{"1", "PLC_1 Status"}, {"2", "IO_2 Status"}}));
    EXPECT_EQ(block.at("persistent_data"), json({{"next_channel_id", "3"}}));
    EXPECT_EQ(sensor.channels.at(2).definition.at("lookup"), "hardware_status")
        << "the definition survives for display";
    EXPECT_EQ(state.sensor(kind, 6), sensor_record{}) << "another id is another sensor";
    EXPECT_EQ(state.sensor("other_kind", 5), sensor_record{}) << "another kind is another sensor";
}

TEST_F(state_file_test, saving_replaces_the_file_and_leaves_no_temporary_behind) {
    host_state state;
    state.sensor(kind, 5).apply(persistent("a", "1"));
    save_state(state, file);
    state.sensor(kind, 5).apply(persistent("a", "2"));
    save_state(state, file);
    EXPECT_EQ(load_state(file).sensor(kind, 5).persistent_data.at("a"), "2");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory.path()), {}), 1);
}

TEST_F(state_file_test, a_file_that_is_not_a_state_is_refused) {
    std::ofstream(file) << "{not json";
    EXPECT_THROW(load_state(file), std::runtime_error);
}

}  // namespace
