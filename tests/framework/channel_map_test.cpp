#include "framework/settings/channel_map.hpp"

#include <gtest/gtest.h>

namespace {

namespace vexa = korvel::probekit::libvexahelper;

TEST(channel_map, knows_the_hosts_channels_and_the_registered_definitions_apart) {
    vexa::settings::channel_map map({{0, "CPU Status"}});
    vexa::channels::dynamic_channel_options ratio;
    ratio.id = 1;
    ratio.display = {"#:channel.cycle_ratio[]", "Cycle Ratio"};
    EXPECT_TRUE(map.is_known_to_runtime(0));
    EXPECT_FALSE(map.is_known_to_runtime(1));
    EXPECT_FALSE(map.is_definition_registered(ratio));
    EXPECT_EQ(map.find_definition(1), nullptr);
    map.register_definition(ratio);
    EXPECT_TRUE(map.is_definition_registered(ratio));
    EXPECT_EQ(*map.find_definition(1), ratio);
    EXPECT_FALSE(map.is_known_to_runtime(1));  // registering does not tell the host
}

TEST(channel_map, a_changed_definition_counts_as_new_and_replaces_the_old_one) {
    vexa::settings::channel_map map({});
    vexa::channels::dynamic_channel_options device;
    device.id = 6;
    device.display = {"#:channel.hardware_device[PN-IO]", "PN-IO Status"};
    map.register_definition(device);
    auto renamed = device;
    renamed.display = {"#:channel.hardware_device[PN-IO 2]", "PN-IO 2 Status"};
    EXPECT_FALSE(map.is_definition_registered(renamed));
    map.register_definition(renamed);
    EXPECT_FALSE(map.is_definition_registered(device));
    EXPECT_EQ(map.find_definition(6)->display.text(), "PN-IO 2 Status");
}

}  // namespace
