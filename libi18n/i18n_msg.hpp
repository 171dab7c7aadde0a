#pragma once

#include <span>
#include <string>
#include <string_view>

#include "libi18n/message_key.hpp"

namespace korvel::probekit::libi18n {

// A localisable message: the encoded identifier "#:key[arg,arg]" the host translates,
// and the English text as the fallback it shows where a language lacks the key. A context (such as
// the setting an error is about) is a literal the host shows before the translated text; the English
// text already begins with it. A detail (what an error's cause was, in a few words) is a literal the
// host shows after the translated text, in parentheses; the English text already ends with it.
class i18n_msg {
public:
    i18n_msg() = default;
    i18n_msg(std::string identifier, std::string text)
        : identifier_(std::move(identifier)), text_(std::move(text)) {}

    const std::string& identifier() const { return identifier_; }
    const std::string& text() const { return text_; }
    const std::string& context() const { return context_; }
    const std::string& detail() const { return detail_; }

    // The same message with a context in front of it.
    i18n_msg with_context(const std::string& context) const {
        i18n_msg framed(identifier_, context + text_);
        framed.context_ = context;
        framed.detail_ = detail_;
        return framed;
    }

    // The same message with a detail after it: " (detail)".
    i18n_msg with_detail(const std::string& detail) const {
        i18n_msg detailed(identifier_, text_ + detail_suffix(detail));
        detailed.context_ = context_;
        detailed.detail_ = detail;
        return detailed;
    }

    // How a detail follows the text it belongs to.
    static std::string detail_suffix(const std::string& detail) { return " (" + detail + ")"; }

    bool operator==(const i18n_msg&) const = default;

private:
    std::string identifier_;
    std::string text_;
    std::string context_;
    std::string detail_;
};

// Backslash before every "\", "#", "[", "]", "," and ":" so the host can split the identifier.
std::string escape_argument(std::string_view argument);

i18n_msg make_msg(const message_key& key, std::span<const std::string> arguments);

template <typename... Arguments>
i18n_msg make_msg(const message_key& key, const Arguments&... arguments) {
    const std::string values[] = {std::string(arguments)..., std::string()};
    return make_msg(key, std::span<const std::string>(values, sizeof...(Arguments)));
}

// A message whose identifier and text are the same literal (for example "OK"), not a key.
inline i18n_msg literal_msg(const std::string& text) {
    return i18n_msg(text, text);
}

}  // namespace korvel::probekit::libi18n
