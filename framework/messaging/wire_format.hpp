#pragma once

// Internal to the framework library: the JSON encoding shared by all messages (docs/host-protocol.md).
// Only the framework's sources include this header; the public headers stay free of JSON.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>
#include <string>

#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libvexahelper::messaging::wire {

// Insertion-ordered, so "type" is always the first member a reader sees.
using document = nlohmann::ordered_json;

// A message document holding only its "type" member.
document make_document(std::string_view type);

// A localisable text: {"id": identifier, "text": English text}.
document localisable(const libi18n::i18n_msg& message);

// Writes the document's UTF-8 bytes into out. Ill-formed UTF-8 in a text (a controller's or a library's
// bytes) becomes U+FFFD, so a message is always deliverable; non-finite doubles are written as null.
void write(const document& message, std::string& out);

// Like write, but ill-formed UTF-8 throws instead of being replaced: for texts that must arrive
// byte for byte (the module descriptor).
void write_exact(const document& message, std::string& out);

}  // namespace korvel::probekit::libvexahelper::messaging::wire
