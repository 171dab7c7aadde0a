#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel::probekit::libjsonparser {

// Texts from the network are quoted in error messages; this bounds how much of one a message carries.
inline constexpr std::size_t max_quoted_text_length = 64;

// At most the first `max_length` bytes of `text`, cut before a character that would not fit whole and
// followed by "..." when something was cut. A byte that is not part of valid UTF-8 is written as "\xNN",
// so a message stays valid UTF-8 whatever the peer sent.
std::string text_excerpt(std::string_view text, std::size_t max_length = max_quoted_text_length);

}  // namespace korvel::probekit::libjsonparser
