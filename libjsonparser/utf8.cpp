#include "libjsonparser/utf8.hpp"

namespace korvel::probekit::libjsonparser {

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

std::optional<std::string> with_invalid_utf8_replaced(std::string_view text) {
    std::size_t at = 0;
    // The common case, all well-formed, allocates nothing.
    while (at < text.size()) {
        const std::size_t length = utf8_sequence_length(text, at);
        if (length == 0) break;
        at += length;
    }
    if (at == text.size()) return std::nullopt;
    std::string repaired(text.substr(0, at));
    repaired.reserve(text.size() + 16);
    while (at < text.size()) {
        const std::size_t length = utf8_sequence_length(text, at);
        if (length == 0) {
            repaired += replacement_character;
            ++at;
        } else {
            repaired.append(text.substr(at, length));
            at += length;
        }
    }
    return repaired;
}

}  // namespace korvel::probekit::libjsonparser
