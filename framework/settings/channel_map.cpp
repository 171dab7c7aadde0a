#include "framework/settings/channel_map.hpp"

namespace korvel::probekit::libvexahelper::settings {

channel_map::channel_map(std::map<int, std::string> known_to_runtime)
    : known_to_runtime_(std::move(known_to_runtime)) {}

bool channel_map::is_known_to_runtime(int id) const {
    return known_to_runtime_.contains(id);
}

void channel_map::mark_known_to_runtime(int id, const std::string& name) {
    known_to_runtime_.try_emplace(id, name);
}

bool channel_map::is_definition_registered(const channels::dynamic_channel_options& options) const {
    const auto* registered = find_definition(options.id);
    return registered != nullptr && *registered == options;
}

void channel_map::register_definition(const channels::dynamic_channel_options& options) {
    definitions_.insert_or_assign(options.id, options);
}

const channels::dynamic_channel_options* channel_map::find_definition(int id) const {
    const auto found = definitions_.find(id);
    return found == definitions_.end() ? nullptr : &found->second;
}

}  // namespace korvel::probekit::libvexahelper::settings
