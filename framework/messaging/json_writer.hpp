#pragma once

// Internal to the framework library: writes a message's JSON straight into the caller's buffer,
// for the messages of every scan (results, log lines, persistent values). Same encoding as the
// document-based messages of wire_format.hpp: ill-formed UTF-8 becomes U+FFFD, non-finite doubles
// are written as null, a double always shows as a double (2.0, not 2). Text values pass through the
// thread's active secret mask (secret_mask.hpp).

#include <cstdint>
#include <string>
#include <string_view>

#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libvexahelper::messaging::wire {

class json_writer {
public:
    // Clears out and writes into it; its capacity is kept, so a reused buffer stops allocating.
    explicit json_writer(std::string& out) : out_(out) { out_.clear(); }

    json_writer& begin_object();
    json_writer& end_object();
    json_writer& begin_array();
    json_writer& end_array();
    json_writer& key(std::string_view name);
    json_writer& value(std::string_view text);
    json_writer& value(const char* text) { return value(std::string_view(text)); }
    json_writer& value(std::int64_t number);
    json_writer& value(int number) { return value(std::int64_t{number}); }
    json_writer& value(double number);
    json_writer& value(bool flag);
    // {"id": identifier, "text": English text} and "context" when there is one.
    json_writer& value(const libi18n::i18n_msg& message);

    // An object holding only its "type" member so far: the first member a reader sees. The type is
    // the protocol's own word, never masked.
    json_writer& begin_message(std::string_view type);

private:
    void separate();

    std::string& out_;
    // A value or a closed container was just written: the next sibling needs a comma.
    bool after_value_ = false;
};

// `text` as it stands between the quotes of a JSON string this writer writes.
std::string escaped_json_text(std::string_view text);

}  // namespace korvel::probekit::libvexahelper::messaging::wire
