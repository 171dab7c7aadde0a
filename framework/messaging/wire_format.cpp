#include "framework/messaging/wire_format.hpp"

#include <string>

namespace korvel::probekit::libvexahelper::messaging::wire {
namespace {

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
    if (!message.detail().empty()) text["detail"] = message.detail();
    return text;
}

void write(const document& message, std::string& out) {
    encode(message, nlohmann::json::error_handler_t::replace, out);
}

void write_exact(const document& message, std::string& out) {
    encode(message, nlohmann::json::error_handler_t::strict, out);
}

}  // namespace korvel::probekit::libvexahelper::messaging::wire
