#pragma once

#include <exception>

#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libvexahelper::responses {

// What the host shows for an error: a localised error's message with its key, else the plain text as a
// literal message.
libi18n::i18n_msg error_message(const std::exception& error);

}  // namespace korvel::probekit::libvexahelper::responses
