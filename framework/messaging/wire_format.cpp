#include "framework/messaging/wire_format.hpp"

#include <string>

namespace korvel::probekit::libvexahelper::messaging::wire {
namespace {

std::vector<std::uint8_t> encode(const document& message, nlohmann::json::error_handler_t on_bad_utf8) {
    const std::string text = message.dump(-1, ' ', false, on_bad_utf8);
    return std::vector<std::uint8_t>(text.begin(), text.end());
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
    return text;
}

std::vector<std::uint8_t> to_bytes(const document& message) {
    return encode(message, nlohmann::json::error_handler_t::replace);
}

std::vector<std::uint8_t> to_bytes_exact(const document& message) {
    return encode(message, nlohmann::json::error_handler_t::strict);
}

}  // namespace korvel::probekit::libvexahelper::messaging::wire
