#pragma once

#include <string_view>

namespace korvel::probekit::libi18n {

// A text key with its English default text; constants of this type live for the library's lifetime.
struct message_key {
    std::string_view key;
    std::string_view english;
};

}  // namespace korvel::probekit::libi18n
