#include "framework/channels/dynamic_channel.hpp"

#include "framework/messaging/wire_format.hpp"

namespace korvel::probekit::libvexahelper::channels {

dynamic_channel::dynamic_channel(int sensor_id, dynamic_channel_options options)
    : sensor_id_(sensor_id), options_(std::move(options)) {}

void dynamic_channel::serialize(std::string& out) const {
    namespace wire = messaging::wire;

    // Slot n of the record is element n - 1; an unset slot is null, so the array always has four entries.
    wire::document limits = wire::document::array();
    for (const limit_slot& slot : options_.limits) {
        limits.push_back(slot.is_set ? wire::document(slot.value) : wire::document(nullptr));
    }

    wire::document channel = wire::document::object();
    channel["id"] = options_.id;
    channel["key"] = options_.key;
    channel["name"] = wire::localisable(options_.display);
    channel["kind"] = options_.kind;
    channel["unit"] = options_.unit;
    channel["lookup"] = options_.lookup;
    channel["limit_mode"] = options_.limit_mode;
    channel["limits"] = std::move(limits);
    channel["factor"] = options_.factor;
    channel["custom_unit"] = options_.custom_unit;
    channel["value_prefix"] = options_.value_prefix;
    channel["value_suffix"] = options_.value_suffix;
    channel["decimal_places"] = options_.decimal_places;
    channel["display_flags"] = options_.display_flags;
    channel["chart_flags"] = options_.chart_flags;

    wire::document message = wire::make_document("dynamic_channel");
    message["sensor_id"] = sensor_id_;
    message["channel"] = std::move(channel);
    wire::write(message, out);
}

}  // namespace korvel::probekit::libvexahelper::channels
