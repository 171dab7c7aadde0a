#include "framework/messaging/wire_format.hpp"

#include <string>

#include "framework/messaging/secret_mask.hpp"

namespace korvel::probekit::libvexahelper::messaging::wire {
namespace {

// Every text value below `value` masked; member names stay, as json_writer leaves keys.
void mask_texts(document& value, const secret_mask& mask) {
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        if (mask.finds(text)) value = mask.masked(text);
    } else if (value.is_structured()) {
        for (auto& element : value) mask_texts(element, mask);
    }
}

void encode(const document& message, nlohmann::json::error_handler_t on_bad_utf8, std::string& out) {
    out = message.dump(-1, ' ', false, on_bad_utf8);
}

}  // namespace

document make_document(std::string_view type) {
    document message = document::object();
    message["type"] = type;
    return message;
}

document localisable(const libi18n::i18n_msg& message) {
    document text = document::object();
    text["id"] = message.identifier();
    text["text"] = message.text();
    if (!message.context().empty()) text["context"] = message.context();
    if (!message.cause().empty()) text["cause"] = message.cause();
    return text;
}

void write(const document& message, std::string& out) {
    const secret_mask* mask = secret_mask_scope::active();
    if (mask == nullptr || message.is_null()) {
        encode(message, nlohmann::json::error_handler_t::replace, out);
        return;
    }
    // The message's type is the protocol's own word, never masked.
    document masked = message;
    for (auto member : masked.items()) {
        if (member.key() != "type") mask_texts(member.value(), *mask);
    }
    encode(masked, nlohmann::json::error_handler_t::replace, out);
}

void write_exact(const document& message, std::string& out) {
    encode(message, nlohmann::json::error_handler_t::strict, out);
}

}  // namespace korvel::probekit::libvexahelper::messaging::wire
