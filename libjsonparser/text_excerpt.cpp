#include "libjsonparser/text_excerpt.hpp"

#include <algorithm>

#include "libjsonparser/utf8.hpp"
#include "libstringutils/hex.hpp"

namespace korvel::probekit::libjsonparser {

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
