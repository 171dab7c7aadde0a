// Recursive descent over the path text, one function per rule; every level of nesting is counted, so the
// recursion is bounded by max_jsonpath_nesting whatever the text.
#include <algorithm>
#include <charconv>
#include <string_view>

#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/jsonpath_query.hpp"
#include "libjsonparser/jsonpath_syntax.hpp"

namespace korvel::probekit::libjsonparser::jsonpath {
namespace {

// The integers a path may hold (indexes, slice bounds): those a double represents exactly.
constexpr std::int64_t max_path_integer = (std::int64_t{1} << 53) - 1;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_lower_alpha(char c) {
    return c >= 'a' && c <= 'z';
}

bool is_name_first(char c) {
    return is_lower_alpha(c) || (c >= 'A' && c <= 'Z') || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

bool is_name_char(char c) {
    return is_name_first(c) || is_digit(c);
}

bool is_hex_digit(char c) {
    return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

void append_utf8(std::string& text, char32_t code_point) {
    if (code_point < 0x80) {
        text += static_cast<char>(code_point);
    } else if (code_point < 0x800) {
        text += static_cast<char>(0xC0 | (code_point >> 6));
        text += static_cast<char>(0x80 | (code_point & 0x3F));
    } else if (code_point < 0x10000) {
        text += static_cast<char>(0xE0 | (code_point >> 12));
        text += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code_point & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code_point >> 18));
        text += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code_point & 0x3F));
    }
}

// Only names and indexes, no descendants: at most one value, as a comparison needs.
bool is_singular(const query& path) {
    return std::ranges::all_of(path.segments, [](const segment& step) {
        return !step.descendants && step.selectors.size() == 1 &&
               (std::holds_alternative<name_selector>(step.selectors.front()) ||
                std::holds_alternative<index_selector>(step.selectors.front()));
    });
}

// Selectors own their filters and cannot be copied out of an initializer list.
segment one_selector(bool descendants, selector only) {
    segment step{descendants, {}};
    step.selectors.push_back(std::move(only));
    return step;
}

template <typename Node>
expression_ptr make_expression(Node node) {
    return std::make_unique<const expression>(expression{std::move(node)});
}

class path_compiler {
public:
    path_compiler(std::string_view text, const custom_json_functions& functions)
        : text_(text), functions_(functions) {}

    query parse_root() {
        if (!consume('$')) {
            fail("Expected '$'");
        }
        query root{false, parse_segments()};
        if (!at_end()) {
            fail(std::string("Unexpected character '") + peek() + "'");
        }
        return root;
    }

private:
    // One level of nesting for as long as it lives.
    class nesting_level {
    public:
        explicit nesting_level(path_compiler& compiler) : compiler_(compiler) {
            if (++compiler_.depth_ > max_jsonpath_nesting) {
                compiler_.fail("Nested deeper than " + std::to_string(max_jsonpath_nesting) + " levels");
            }
        }
        ~nesting_level() { --compiler_.depth_; }
        nesting_level(const nesting_level&) = delete;
        nesting_level& operator=(const nesting_level&) = delete;

    private:
        path_compiler& compiler_;
    };

    [[noreturn]] void fail(const std::string& what) const { fail_at(what, position_); }
    [[noreturn]] void fail_at(const std::string& what, std::size_t position) const {
        throw exceptions::query_error(what + " at position " + std::to_string(position + 1));
    }

    bool at_end() const { return position_ >= text_.size(); }
    char peek(std::size_t ahead = 0) const {
        return position_ + ahead < text_.size() ? text_[position_ + ahead] : '\0';
    }
    bool consume(char c) {
        if (at_end() || peek() != c) {
            return false;
        }
        ++position_;
        return true;
    }
    bool consume(std::string_view word) {
        if (!text_.substr(position_).starts_with(word)) {
            return false;
        }
        position_ += word.size();
        return true;
    }
    void expect(char c) {
        if (!consume(c)) {
            fail(std::string("Expected '") + c + "'");
        }
    }
    void skip_blanks() {
        while (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r') {
            ++position_;
        }
    }

    // ---- queries ----

    std::vector<segment> parse_segments() {
        std::vector<segment> segments;
        while (!at_end()) {
            if (consume("..")) {
                segments.push_back(parse_step(true));
            } else if (consume('.')) {
                segments.push_back(parse_step(false));
            } else if (consume('[')) {
                segments.push_back({false, parse_bracket()});
            } else {
                break;
            }
        }
        return segments;
    }

    // What follows "." or "..": a name, "*", or (after "..") a bracket.
    segment parse_step(bool descendants) {
        if (consume('*')) {
            return one_selector(descendants, wildcard_selector{});
        }
        if (descendants && consume('[')) {
            return {descendants, parse_bracket()};
        }
        if (is_name_first(peek())) {
            const auto start = position_;
            while (is_name_char(peek())) {
                ++position_;
            }
            return one_selector(descendants,
                                name_selector{std::string(text_.substr(start, position_ - start))});
        }
        fail(descendants ? "Expected a name, '*' or '[' after '..'" : "Expected a name or '*' after '.'");
    }

    // The selectors after "[", up to and including "]".
    std::vector<selector> parse_bracket() {
        std::vector<selector> selectors;
        do {
            skip_blanks();
            selectors.push_back(parse_selector());
            skip_blanks();
        } while (consume(','));
        expect(']');
        return selectors;
    }

    selector parse_selector() {
        const char c = peek();
        if (c == '\'' || c == '"') {
            return name_selector{parse_string()};
        }
        if (consume('*')) {
            return wildcard_selector{};
        }
        if (consume('?')) {
            nesting_level level(*this);
            skip_blanks();
            return filter_selector{parse_disjunction()};
        }
        if (c == '-' || is_digit(c) || c == ':') {
            return parse_index_or_slice();
        }
        fail("Expected a name, an index, a slice, '*' or a filter");
    }

    selector parse_index_or_slice() {
        // Called only at "-", a digit or ":", so without ":" an integer (or a failure) came first.
        const auto start = parse_optional_integer();
        skip_blanks();
        if (!consume(':')) {
            return index_selector{*start};
        }
        skip_blanks();
        const auto end = parse_optional_integer();
        skip_blanks();
        std::optional<std::int64_t> step;
        if (consume(':')) {
            skip_blanks();
            step = parse_optional_integer();
        }
        return slice_selector{start, end, step.value_or(1)};
    }

    // "0", or digits without a leading zero, optionally negative; nothing when no integer starts here.
    std::optional<std::int64_t> parse_optional_integer() {
        if (peek() != '-' && !is_digit(peek())) {
            return std::nullopt;
        }
        const auto start = position_;
        consume('-');
        const auto digits = position_;
        while (is_digit(peek())) {
            ++position_;
        }
        if (position_ == digits || (text_[digits] == '0' && position_ - digits > 1)) {
            fail_at("Invalid integer", start);
        }
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + position_, value);
        if (error != std::errc() || value > max_path_integer || value < -max_path_integer) {
            fail_at("Integer out of range", start);
        }
        return value;
    }

    // A string in single or double quotes, with JSON's escapes (and \' in either).
    std::string parse_string() {
        const auto start = position_;
        const char quote = text_[position_++];
        std::string text;
        while (true) {
            if (at_end()) {
                fail_at("Unterminated string", start);
            }
            const char c = text_[position_++];
            if (c == quote) {
                return text;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                fail_at("Control character in string", position_ - 1);
            }
            if (c != '\\') {
                text += c;
                continue;
            }
            const auto escape = position_ - 1;
            switch (at_end() ? '\0' : text_[position_++]) {
                case 'b':
                    text += '\b';
                    break;
                case 'f':
                    text += '\f';
                    break;
                case 'n':
                    text += '\n';
                    break;
                case 'r':
                    text += '\r';
                    break;
                case 't':
                    text += '\t';
                    break;
                case '/':
                    text += '/';
                    break;
                case '\\':
                    text += '\\';
                    break;
                case '\'':
                    text += '\'';
                    break;
                case '"':
                    text += '"';
                    break;
                case 'u':
                    append_utf8(text, parse_unicode_escape(escape));
                    break;
                default:
                    fail_at("Invalid escape in string", escape);
            }
        }
    }

    // After "\u": four hex digits, and for a high surrogate the "\uXXXX" of its low surrogate.
    char32_t parse_unicode_escape(std::size_t escape) {
        const auto hex4 = [&]() -> char32_t {
            if (position_ + 4 > text_.size() ||
                !std::ranges::all_of(text_.substr(position_, 4), [](char c) { return is_hex_digit(c); })) {
                fail_at("Invalid escape in string", escape);
            }
            std::uint32_t value = 0;
            std::from_chars(text_.data() + position_, text_.data() + position_ + 4, value, 16);
            position_ += 4;
            return static_cast<char32_t>(value);
        };
        const char32_t unit = hex4();
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            fail_at("Invalid escape in string", escape);
        }
        if (unit < 0xD800 || unit > 0xDBFF) {
            return unit;
        }
        if (!consume("\\u")) {
            fail_at("Invalid escape in string", escape);
        }
        const char32_t low = hex4();
        if (low < 0xDC00 || low > 0xDFFF) {
            fail_at("Invalid escape in string", escape);
        }
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
    }

    // ---- filter conditions ----

    expression_ptr parse_disjunction() {
        auto left = parse_conjunction();
        while (skip_blanks(), consume("||")) {
            left =
                make_expression(logical{logical_operator::disjunction, std::move(left), parse_conjunction()});
        }
        return left;
    }

    expression_ptr parse_conjunction() {
        auto left = parse_basic();
        while (skip_blanks(), consume("&&")) {
            left = make_expression(logical{logical_operator::conjunction, std::move(left), parse_basic()});
        }
        return left;
    }

    // A negation, a parenthesised condition, a comparison, or a value on its own.
    expression_ptr parse_basic() {
        skip_blanks();
        if (consume('!')) {
            nesting_level level(*this);
            return make_expression(negation{parse_basic()});
        }
        if (consume('(')) {
            nesting_level level(*this);
            auto inner = parse_disjunction();
            skip_blanks();
            expect(')');
            return inner;
        }
        const auto left_start = position_;
        auto left = parse_value();
        skip_blanks();
        const auto op = parse_comparison_operator();
        if (!op) {
            return left;
        }
        check_singular(*left, left_start);
        skip_blanks();
        const auto right_start = position_;
        auto right = parse_value();
        check_singular(*right, right_start);
        return make_expression(comparison{*op, std::move(left), std::move(right)});
    }

    std::optional<comparison_operator> parse_comparison_operator() {
        // Two-character operators first: "<" must not take the start of "<=".
        if (consume("==")) return comparison_operator::equal;
        if (consume("!=")) return comparison_operator::not_equal;
        if (consume("<=")) return comparison_operator::less_equal;
        if (consume(">=")) return comparison_operator::greater_equal;
        if (consume('<')) return comparison_operator::less;
        if (consume('>')) return comparison_operator::greater;
        return std::nullopt;
    }

    void check_singular(const expression& value, std::size_t position) const {
        if (const auto* path = std::get_if<query>(&value.node); path != nullptr && !is_singular(*path)) {
            fail_at("Expected a query that selects at most one value", position);
        }
    }

    // A query, a literal or a function call.
    expression_ptr parse_value() {
        const char c = peek();
        if (c == '@' || c == '$') {
            ++position_;
            return make_expression(query{c == '@', parse_segments()});
        }
        if (c == '\'' || c == '"') {
            return make_expression(literal{parse_string()});
        }
        if (c == '-' || is_digit(c)) {
            return make_expression(literal{parse_number()});
        }
        for (const auto& [word, value] : {std::pair<std::string_view, nlohmann::json>{"true", true},
                                          {"false", false},
                                          {"null", nullptr}}) {
            if (text_.substr(position_).starts_with(word) && !is_name_char(peek(word.size()))) {
                position_ += word.size();
                return make_expression(literal{value});
            }
        }
        if (is_lower_alpha(c)) {
            return parse_function_call();
        }
        fail("Expected a query, a literal or a function call");
    }

    // A JSON number; the JSON parser judges the characters a number may consist of.
    nlohmann::json parse_number() {
        const auto start = position_;
        while (is_digit(peek()) || peek() == '-' || peek() == '+' || peek() == '.' || peek() == 'e' ||
               peek() == 'E') {
            ++position_;
        }
        try {
            return nlohmann::json::parse(text_.substr(start, position_ - start));
        } catch (const nlohmann::json::exception&) {
            fail_at("Invalid number", start);
        }
    }

    expression_ptr parse_function_call() {
        const auto start = position_;
        while (is_lower_alpha(peek()) || is_digit(peek()) || peek() == '_') {
            ++position_;
        }
        const std::string name(text_.substr(start, position_ - start));
        const custom_function* function = functions_.find(name);
        if (function == nullptr) {
            fail_at("Unknown function '" + name + "'", start);
        }
        nesting_level level(*this);
        expect('(');
        std::vector<expression_ptr> arguments;
        skip_blanks();
        if (!consume(')')) {
            do {
                skip_blanks();
                const auto argument_start = position_;
                arguments.push_back(parse_value());
                check_singular(*arguments.back(), argument_start);
                skip_blanks();
            } while (consume(','));
            expect(')');
        }
        if (arguments.size() != function->arity) {
            fail_at("Function '" + name + "' takes " + std::to_string(function->arity) + " argument" +
                        (function->arity == 1 ? "" : "s") + ", not " + std::to_string(arguments.size()),
                    start);
        }
        return make_expression(function_call{function, std::move(arguments)});
    }

    std::string_view text_;
    const custom_json_functions& functions_;
    std::size_t position_ = 0;
    std::size_t depth_ = 0;
};

}  // namespace

query parse_path(std::string_view path, const custom_json_functions& functions) {
    if (path.size() > max_jsonpath_length) {
        throw exceptions::query_error("Path of " + std::to_string(path.size()) +
                                      " characters exceeds the limit of " +
                                      std::to_string(max_jsonpath_length));
    }
    return path_compiler(path, functions).parse_root();
}

}  // namespace korvel::probekit::libjsonparser::jsonpath
