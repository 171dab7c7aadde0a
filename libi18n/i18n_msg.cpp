#include "libi18n/i18n_msg.hpp"

#include "libstringutils/format_string.hpp"

namespace korvel::probekit::libi18n {

std::string escape_argument(std::string_view argument) {
    std::string escaped;
    escaped.reserve(argument.size());
    for (char c : argument) {
        switch (c) {
            case '\\':
            case '#':
            case '[':
            case ']':
            case ',':
            case ':':
                escaped.push_back('\\');
                break;
            default:
                break;
        }
        escaped.push_back(c);
    }
    return escaped;
}

i18n_msg make_msg(const message_key& key, std::span<const std::string> arguments) {
    std::string identifier = "#:";
    identifier.append(key.key);
    identifier.push_back('[');
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) identifier.push_back(',');
        identifier.append(escape_argument(arguments[i]));
    }
    identifier.push_back(']');
    return i18n_msg(std::move(identifier), libstringutils::format_string(key.english, arguments));
}

}  // namespace korvel::probekit::libi18n
