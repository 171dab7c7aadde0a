#pragma once

#include <string>

#include "framework/channels/dynamic_channel_options.hpp"
#include "libi18n/i18n_msg.hpp"
#include "libi18n/message_key.hpp"

namespace korvel::probekit::s7 {

using libvexahelper::channels::dynamic_channel_options;

// A channel named by its text key; every other option keeps the framework's default.
dynamic_channel_options channel_options(int id, const libi18n::message_key& name, int kind, int unit);

// An integer channel in milliseconds.
dynamic_channel_options milliseconds_channel_options(int id, const libi18n::message_key& name);

// A floating-point channel in percent.
dynamic_channel_options percent_channel_options(int id, const libi18n::message_key& name);

// An integer channel whose values are states of a descriptor lookup.
dynamic_channel_options lookup_channel_options(int id, const libi18n::message_key& name,
                                               const std::string& lookup);

// The same with a display text of its own, such as the key's text filled with a module's name.
dynamic_channel_options lookup_channel_options(int id, const libi18n::message_key& name,
                                               libi18n::i18n_msg display, const std::string& lookup);

}  // namespace korvel::probekit::s7
