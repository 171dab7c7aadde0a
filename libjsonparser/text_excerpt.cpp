#include "libjsonparser/text_excerpt.hpp"

#include <algorithm>

#include "libstringutils/hex.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

// The length of the well-formed UTF-8 sequence at `at` (RFC 3629: no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0 when the byte there starts none.
std::size_t utf8_sequence_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char second_min = 0x80;
    unsigned char second_max = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        second_min = lead == 0xE0 ? 0xA0 : 0x80;
        second_max = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        second_min = lead == 0xF0 ? 0x90 : 0x80;
        second_max = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(at + 1) < second_min || byte(at + 1) > second_max) {
        return 0;
    }
    for (std::size_t index = at + 2; index < at + length; ++index) {
        if ((byte(index) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

}  // namespace

std::string text_excerpt(std::string_view text, std::size_t max_length) {
    std::string excerpt;
    for (std::size_t at = 0; at < text.size();) {
        const auto length = utf8_sequence_length(text, at);
        if (at + std::max<std::size_t>(length, 1) > max_length) {
            return excerpt + "...";
        }
        if (length == 0) {
            excerpt += "\\x" + libstringutils::hex_digits(static_cast<unsigned char>(text[at]), 2,
                                                          libstringutils::hex_case::upper);
            ++at;
        } else {
            excerpt.append(text.substr(at, length));
            at += length;
        }
    }
    return excerpt;
}

}  // namespace korvel::probekit::libjsonparser
