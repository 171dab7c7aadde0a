#include <algorithm>
#include <string_view>
#include <vector>

#include "libresthelper/response.hpp"

namespace korvel::probekit::libresthelper {
namespace {

// Length of the UTF-8 sequence that starts with `lead`, or 0 when no sequence starts with it.
std::size_t sequence_length(unsigned char lead) {
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 0;
}

// Text a log can show as it is: well-formed UTF-8 whose only control characters are tab and line ends.
// (Overlong three- and four-byte forms pass; they print as something, which is all that matters here.)
bool is_printable(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') return false;
        if (lead == 0x7F) return false;
        const std::size_t length = sequence_length(lead);
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}

void append_hex(std::string& text, std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    constexpr std::size_t bytes_per_line = 32;
    text.reserve(text.size() + bytes.size() * 2 + bytes.size() / bytes_per_line + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0 && i % bytes_per_line == 0) text += '\n';
        const auto byte = static_cast<unsigned char>(bytes[i]);
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
}

}  // namespace

std::string to_string(const response& answer) {
    std::string text = std::to_string(answer.status) + "\n";
    std::vector<std::pair<std::string_view, std::string_view>> headers(answer.headers.begin(),
                                                                       answer.headers.end());
    std::sort(headers.begin(), headers.end());
    for (const auto& [name, value] : headers) {
        text.append(name).append(": ").append(value).append("\n");
    }
    if (is_printable(answer.body)) {
        text.append("body\n").append(answer.body);
    } else {
        text.append("body (hex encoded):\n");
        append_hex(text, answer.body);
    }
    return text;
}

}  // namespace korvel::probekit::libresthelper
