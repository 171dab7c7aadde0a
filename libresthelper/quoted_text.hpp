#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvel::probekit::libresthelper {

// How much of a text from the network or the settings an error message quotes.
inline constexpr std::size_t max_quoted_length = 512;

// `text` itself when short enough; otherwise its first bytes, cut before a UTF-8 character that
// would not fit whole, followed by "...".
std::string quoted_text(std::string_view text, std::size_t max_length = max_quoted_length);

}  // namespace korvel::probekit::libresthelper
