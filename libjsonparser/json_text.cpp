#include "libjsonparser/json_text.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>

#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/text_excerpt.hpp"
#include "libjsonparser/utf8.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

// Counts brackets outside strings; the text need not be valid JSON for this, the parser judges that.
void check_nesting_depth(std::string_view text) {
    std::size_t depth = 0;
    bool in_string = false;
    bool escaped = false;
    for (std::size_t offset = 0; offset < text.size(); ++offset) {
        const char c = text[offset];
        if (in_string) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                in_string = false;
            }
            continue;
        }
        switch (c) {
            case '"':
                in_string = true;
                break;
            case '[':
            case '{':
                if (++depth > max_json_nesting_depth) {
                    throw exceptions::parse_error("Nested deeper than " +
                                                  std::to_string(max_json_nesting_depth) +
                                                  " levels at byte " + std::to_string(offset + 1));
                }
                break;
            case ']':
            case '}':
                if (depth > 0) {
                    --depth;
                }
                break;
            default:
                break;
        }
    }
}

// The parser's message without its "[json.exception.parse_error.101] " prefix, and with the token it
// quotes ("last read: '...'", possibly a whole unterminated string of raw bytes) cut to an excerpt.
// The token is followed by the end of the message or by "; expected ...".
std::string parser_message(const nlohmann::json::exception& error) {
    std::string_view message = error.what();
    if (const auto prefix_end = message.find("] ");
        message.starts_with("[json.exception.") && prefix_end != std::string_view::npos) {
        message.remove_prefix(prefix_end + 2);
    }
    constexpr std::string_view last_read = "last read: '";
    const auto token_start = message.find(last_read);
    if (token_start == std::string_view::npos) {
        return text_excerpt(message, 2 * max_quoted_text_length);
    }
    const auto token_begin = token_start + last_read.size();
    auto token_end = message.rfind("'; expected ");
    if (token_end == std::string_view::npos || token_end < token_begin) {
        token_end = message.ends_with('\'') ? message.size() - 1 : message.size();
    }
    return text_excerpt(message.substr(0, token_begin), 2 * max_quoted_text_length) +
           text_excerpt(message.substr(token_begin, token_end - token_begin)) + "'" +
           text_excerpt(message.substr(std::min(token_end + 1, message.size())), 2 * max_quoted_text_length);
}

}  // namespace

nlohmann::json parse_json_text(std::string_view text) {
    if (text.size() > max_json_text_length) {
        throw exceptions::parse_error("Text of " + std::to_string(text.size()) +
                                      " bytes exceeds the limit of " + std::to_string(max_json_text_length) +
                                      " bytes");
    }
    check_nesting_depth(text);
    try {
        return nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& error) {
        // A byte that is not UTF-8 (a module name or an alarm text in a controller's own code page)
        // must not cost the whole answer: such bytes become U+FFFD and the text is read again. Only a
        // text that failed pays for the search.
        if (const auto repaired = with_invalid_utf8_replaced(text)) {
            try {
                return nlohmann::json::parse(*repaired);
            } catch (const nlohmann::json::exception& still) {
                throw exceptions::parse_error(parser_message(still));
            }
        }
        throw exceptions::parse_error(parser_message(error));
    }
}

std::string json_text_of(const nlohmann::json& value) {
    return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

}  // namespace korvel::probekit::libjsonparser
