#include "s7/channel_options.hpp"

#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::s7 {

namespace channels = libvexahelper::channels;

dynamic_channel_options channel_options(int id, const libi18n::message_key& name, int kind, int unit) {
    dynamic_channel_options options;
    options.id = id;
    options.key = std::string(name.key);
    options.display = libi18n::make_msg(name);
    options.kind = kind;
    options.unit = unit;
    return options;
}

dynamic_channel_options lookup_channel_options(int id, const libi18n::message_key& name, const std::string& lookup) {
    dynamic_channel_options options =
        channel_options(id, name, channels::value_kind::integer, channels::unit::none);
    options.lookup = lookup;
    return options;
}

}  // namespace korvel::probekit::s7
