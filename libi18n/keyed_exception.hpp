#pragma once

#include <string>

#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libi18n {

// Says what a keyed error is about, in front of its catalogue text (see i18n_msg::with_context).
struct in_context {
    std::string text;
};

// Says what caused a keyed error, after its catalogue text (see i18n_msg::with_detail): for keys
// without an argument that could carry it.
struct with_cause {
    std::string text;
};

// A concrete error class fixes its key; its constructor takes only the argument values.
// Base is the family's exception class, which takes a ready message.
template <typename Base, const message_key& Key>
class keyed_exception : public Base {
public:
    template <typename... Arguments>
    explicit keyed_exception(const Arguments&... arguments) : Base(make_msg(Key, arguments...)) {}

    template <typename... Arguments>
    explicit keyed_exception(const in_context& context, const Arguments&... arguments)
        : Base(make_msg(Key, arguments...).with_context(context.text)) {}

    template <typename... Arguments>
    explicit keyed_exception(const with_cause& cause, const Arguments&... arguments)
        : Base(make_msg(Key, arguments...).with_detail(cause.text)) {}

    static constexpr const message_key& key = Key;

protected:
    // Lets a keyed class serve as the base of a more specific keyed class.
    explicit keyed_exception(i18n_msg message) : Base(std::move(message)) {}
};

}  // namespace korvel::probekit::libi18n
