#include "framework/messaging/json_writer.hpp"

#include <charconv>
#include <cmath>

#include "framework/messaging/secret_mask.hpp"

namespace korvel::probekit::libvexahelper::messaging::wire {
namespace {

constexpr std::string_view replacement_character = "\xEF\xBF\xBD";

// Length of the well-formed UTF-8 sequence at the start of text, or 0 when it is ill-formed
// (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
std::size_t utf8_sequence_length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

void append_escaped_content(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = utf8_sequence_length(text.substr(i));
            if (length == 0) {
                out += replacement_character;
                ++i;
            } else {
                out.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 0x0F];
                } else {
                    out += static_cast<char>(c);
                }
        }
        ++i;
    }
}

void append_escaped(std::string& out, std::string_view text) {
    out += '"';
    append_escaped_content(out, text);
    out += '"';
}

}  // namespace

std::string escaped_json_text(std::string_view text) {
    std::string escaped;
    append_escaped_content(escaped, text);
    return escaped;
}

json_writer& json_writer::begin_message(std::string_view type) {
    begin_object().key("type");
    separate();
    append_escaped(out_, type);
    after_value_ = true;
    return *this;
}

void json_writer::separate() {
    if (after_value_) out_ += ',';
}

json_writer& json_writer::begin_object() {
    separate();
    out_ += '{';
    after_value_ = false;
    return *this;
}

json_writer& json_writer::end_object() {
    out_ += '}';
    after_value_ = true;
    return *this;
}

json_writer& json_writer::begin_array() {
    separate();
    out_ += '[';
    after_value_ = false;
    return *this;
}

json_writer& json_writer::end_array() {
    out_ += ']';
    after_value_ = true;
    return *this;
}

json_writer& json_writer::key(std::string_view name) {
    separate();
    append_escaped(out_, name);
    out_ += ':';
    after_value_ = false;
    return *this;
}

json_writer& json_writer::value(std::string_view text) {
    separate();
    const secret_mask* mask = secret_mask_scope::active();
    if (mask != nullptr && mask->finds(text)) {
        append_escaped(out_, mask->masked(text));
    } else {
        append_escaped(out_, text);
    }
    after_value_ = true;
    return *this;
}

json_writer& json_writer::value(std::int64_t number) {
    separate();
    char digits[24];
    out_.append(digits, std::to_chars(digits, digits + sizeof digits, number).ptr);
    after_value_ = true;
    return *this;
}

json_writer& json_writer::value(double number) {
    separate();
    if (!std::isfinite(number)) {
        out_ += "null";
    } else {
        // Shortest text that reads back as the same double; "2" gets ".0" so it stays a double.
        char digits[32];
        const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        const std::string_view text(digits, static_cast<std::size_t>(end - digits));
        out_ += text;
        if (text.find_first_of(".e") == std::string_view::npos) out_ += ".0";
    }
    after_value_ = true;
    return *this;
}

json_writer& json_writer::value(bool flag) {
    separate();
    out_ += flag ? "true" : "false";
    after_value_ = true;
    return *this;
}

json_writer& json_writer::value(const libi18n::i18n_msg& message) {
    begin_object().key("id").value(message.identifier()).key("text").value(message.text());
    if (!message.context().empty()) key("context").value(message.context());
    if (!message.cause().empty()) key("cause").value(message.cause());
    return end_object();
}

}  // namespace korvel::probekit::libvexahelper::messaging::wire
