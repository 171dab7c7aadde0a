#pragma once

#include "libexception/exception.hpp"
#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libi18n {

// Base of every localised error: what() is the English text, get_message() the whole message.
class i18n_exception : public libexception::exception {
public:
    explicit i18n_exception(i18n_msg message) : libexception::exception(message.text()), message_(std::move(message)) {}
    virtual i18n_msg get_message() const { return message_; }

private:
    i18n_msg message_;
};

}  // namespace korvel::probekit::libi18n
