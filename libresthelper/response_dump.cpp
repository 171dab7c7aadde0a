#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "libresthelper/response.hpp"

// The trace dump of an answer. A device decides how large its answers are and what they echo, so the
// dump shows a bounded part of them and says how much there was, and session tokens (a header or a
// "token" member, ours echoed or the device's) never reach the log.
namespace korvel::probekit::libresthelper {
namespace {

// What one dump shows at most: headers, each header value, and the body (as text, or as bytes in hex).
constexpr std::size_t shown_headers = 32;
constexpr std::size_t shown_header_bytes = 256;
constexpr std::size_t shown_body_bytes = 4096;
constexpr std::size_t shown_hex_bytes = 2048;

constexpr std::string_view masked = "***";
constexpr std::string_view token_header = "x-auth-token";
constexpr std::string_view token_member = "\"token\"";

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

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::size_t find_ignoring_case(std::string_view text, std::string_view word, std::size_t from) {
    for (std::size_t at = from; at + word.size() <= text.size(); ++at) {
        if (equals_ignoring_case(text.substr(at, word.size()), word)) return at;
    }
    return std::string_view::npos;
}

std::size_t skip_blanks(std::string_view text, std::size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '\r' || text[at] == '\n'))
        ++at;
    return at;
}

// The value after a name at `at`: optional blanks, ':', optional blanks, then a JSON string's
// content or the rest of the line; replaced by "***". Returns where to search on.
std::size_t mask_value_after(std::string& text, std::size_t at) {
    std::size_t value = skip_blanks(text, at);
    if (value >= text.size() || text[value] != ':') return at;
    value = skip_blanks(text, value + 1);
    std::size_t end = value;
    if (value < text.size() && text[value] == '"') {
        end = ++value;
        while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
        end = std::min(end, text.size());
    } else {
        // A header line ends the value, and so does what ends it where the line sits in a JSON text.
        end = std::min(text.find_first_of("\r\n\"\\ ,;", value), text.size());
    }
    if (end == value) return value;
    text.replace(value, end - value, masked);
    return value + masked.size();
}

// Every JSON member "token" and every X-Auth-Token header line or member (an echoed request) keeps
// its name and gets "***" as its value.
void mask_tokens(std::string& text) {
    for (std::size_t at = text.find(token_member); at != std::string::npos; at = text.find(token_member, at))
        at = mask_value_after(text, at + token_member.size());
    for (std::size_t at = find_ignoring_case(text, token_header, 0); at != std::string::npos;
         at = find_ignoring_case(text, token_header, at)) {
        at += token_header.size();
        if (at < text.size() && text[at] == '"') ++at;
        at = mask_value_after(text, at);
    }
}

std::string without_tokens(std::string_view text) {
    std::string result(text);
    mask_tokens(result);
    return result;
}

// The first `limit` bytes of `text`, not cutting a UTF-8 sequence in two.
std::string_view head(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return text;
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

void append_header(std::string& text, std::string_view name, std::string_view value) {
    text.append(name).append(": ");
    if (equals_ignoring_case(name, token_header)) {
        text.append(masked);
    } else {
        const std::string shown = without_tokens(value);
        text.append(head(shown, shown_header_bytes));
        if (shown.size() > shown_header_bytes) text.append("...");
    }
    text.append("\n");
}

void append_body(std::string& text, std::string_view raw_body) {
    const std::string body = without_tokens(raw_body);
    const std::string total = std::to_string(raw_body.size()) + " bytes";
    if (is_printable(head(body, shown_body_bytes))) {
        const std::string_view shown = head(body, shown_body_bytes);
        if (shown.size() == body.size()) {
            text.append("body\n");
        } else {
            text.append("body (" + total + ", the first " + std::to_string(shown.size()) + " shown)\n");
        }
        text.append(shown);
        // The mark tells a reader, and the module's secret mask, that the text was cut here.
        if (shown.size() < body.size()) text.append("...");
        return;
    }
    const std::string_view shown = std::string_view(body).substr(0, std::min(body.size(), shown_hex_bytes));
    if (shown.size() == body.size()) {
        text.append("body (hex encoded):\n");
    } else {
        text.append("body (hex encoded, " + total + ", the first " + std::to_string(shown.size()) +
                    " shown):\n");
    }
    append_hex(text, shown);
}

}  // namespace

std::string to_string(const response& answer) {
    std::string text = std::to_string(answer.status) + "\n";
    std::vector<std::pair<std::string_view, std::string_view>> headers(answer.headers.begin(),
                                                                       answer.headers.end());
    std::sort(headers.begin(), headers.end());
    for (std::size_t i = 0; i < std::min(headers.size(), shown_headers); ++i)
        append_header(text, headers[i].first, headers[i].second);
    if (headers.size() > shown_headers)
        text.append("(" + std::to_string(headers.size() - shown_headers) + " more headers)\n");
    append_body(text, answer.body);
    return text;
}

}  // namespace korvel::probekit::libresthelper
