#include "s7/channel_options.hpp"

#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::s7 {

namespace channels = libvexahelper::channels;

namespace {

dynamic_channel_options displayed_channel_options(int id, const libi18n::message_key& name,
                                                  libi18n::i18n_msg display, int kind, int unit) {
    dynamic_channel_options options;
    options.id = id;
    options.key = std::string(name.key);
    options.display = std::move(display);
    options.kind = kind;
    options.unit = unit;
    return options;
}

}  // namespace

dynamic_channel_options channel_options(int id, const libi18n::message_key& name, int kind, int unit) {
    return displayed_channel_options(id, name, libi18n::make_msg(name), kind, unit);
}

dynamic_channel_options milliseconds_channel_options(int id, const libi18n::message_key& name) {
    return channel_options(id, name, channels::value_kind::integer, channels::unit::milliseconds);
}

dynamic_channel_options percent_channel_options(int id, const libi18n::message_key& name) {
    return channel_options(id, name, channels::value_kind::floating_point, channels::unit::percent);
}

dynamic_channel_options lookup_channel_options(int id, const libi18n::message_key& name,
                                               const std::string& lookup) {
    return lookup_channel_options(id, name, libi18n::make_msg(name), lookup);
}

dynamic_channel_options lookup_channel_options(int id, const libi18n::message_key& name,
                                               libi18n::i18n_msg display, const std::string& lookup) {
    dynamic_channel_options options = displayed_channel_options(
        id, name, std::move(display), channels::value_kind::integer, channels::unit::none);
    options.lookup = lookup;
    return options;
}

}  // namespace korvel::probekit::s7
