#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvel::probekit::libjsonparser {

// U+FFFD REPLACEMENT CHARACTER in UTF-8.
inline constexpr std::string_view replacement_character = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at `at` (RFC 3629: no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0 when the byte there starts none.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at);

// The text with every byte that is not part of well-formed UTF-8 replaced by U+FFFD, or nothing when
// the text is well-formed throughout.
std::optional<std::string> with_invalid_utf8_replaced(std::string_view text);

}  // namespace korvel::probekit::libjsonparser
