// Dotted-path queries: path syntax, resolution, unwrapping, conversions and their errors, kind names,
// query_or_default, the case-insensitive variant, and the bounds on parsed text.
#include "libjsonparser/jsonpointer_parser.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

#include "libjsonparser/case_insensitive_jsonpointer_parser.hpp"
#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/json_text.hpp"
#include "libparser/query_or_default.hpp"
#include "tests/json_query/expect_exactly.hpp"

namespace {

namespace json_parser = korvel::probekit::libjsonparser;
namespace json_errors = json_parser::exceptions;
namespace parser_errors = korvel::probekit::libparser::exceptions;
using json_parser::case_insensitive_jsonpointer_parser;
using json_parser::jsonpointer_parser;
using json_query_test::expect_exactly;
using korvel::probekit::libparser::parser_interface;
using korvel::probekit::libparser::query_or_default;

using query_value = std::variant<std::string, std::int64_t, std::uint64_t, double, bool>;
enum class getter { string, int64, uint64, floating, boolean };

query_value query(const parser_interface& parser, getter kind, const std::string& path) {
    switch (kind) {
        case getter::string:
            return parser.get_string(path);
        case getter::int64:
            return parser.get_int64(path);
        case getter::uint64:
            return parser.get_uint64(path);
        case getter::floating:
            return parser.get_double(path);
        case getter::boolean:
            return parser.get_bool(path);
    }
    return {};
}

// Checks that a call throws exactly one class with exactly one text.
using error_check = void (*)(std::function<void()>, const std::string&);
template <typename E>
constexpr error_check throws = &expect_exactly<E, std::function<void()>>;

std::string type_text(const std::string& member, const std::string& expected, const std::string& found) {
    return "The received value has an unexpected data type. " +
           (member.empty() ? "The top-level value" : "Member " + member) + ": expected " + expected +
           ", found " + found;
}
std::string conversion_text(const std::string& text, const std::string& target) {
    return "'" + text + "' could not be converted to '" + target + "'.";
}
std::string array_text(int size) {
    return "The received value is an array instead of a single value. Array size is: " + std::to_string(size);
}
const std::string query_text = "The provided JSONPath is incorrect. ";
const std::string parse_text = "The received JSON data could not be parsed. ";

const char* const resolution_document = R"({"result": {
    "entries": [{"a": 1}, {"a": 2}], "n": null, "s": "x", "k": 5,
    "a.b": 7, "~1": 8, "p/q": 9, "": 10, "e": {"": {"b": 11}}}})";

TEST(jsonpointer_parser, dotted_paths_step_by_member_and_index_and_escape_only_the_dot) {
    const jsonpointer_parser parser(resolution_document);
    const struct {
        const char* path;
        std::int64_t expected;
    } cases[] = {
        {"result.entries.1.a", 2}, {"result.a\\.b", 7}, {"result.~1", 8},
        {"result.p/q", 9},         {"result.", 10},     {"result.e..b", 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(parser.get_int64(c.path), c.expected);
    }
    // The empty path is the whole document.
    EXPECT_EQ(parser.resolve("").at("result").at("k"), 5);
    EXPECT_TRUE(parser.designates(""));
    EXPECT_FALSE(parser.designates("result.k.x"));
}

// Each row reads member "v" of {"v": <json>}.
TEST(jsonpointer_parser, value_queries_convert_each_kind) {
    const struct {
        const char* json;
        getter kind;
        query_value expected;
    } cases[] = {
        {"null", getter::string, std::string()},
        {"1e300", getter::string, std::string("1e+300")},
        {"[7]", getter::string, std::string("7")},  // one element stands for the array
        {"\"-12\"", getter::int64, std::int64_t{-12}},
        {"9223372036854775807", getter::int64, std::int64_t{9223372036854775807}},
        {"9947888669857743000", getter::uint64, std::uint64_t{9947888669857743000U}},
        {"\"18446744073709551615\"", getter::uint64, std::uint64_t{18446744073709551615U}},
        {"2.5", getter::floating, 2.5},
        {"\"1e3\"", getter::floating, 1000.0},
        {"false", getter::boolean, false},
        {"\"true\"", getter::boolean, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const jsonpointer_parser parser(std::string("{\"v\":") + c.json + "}");
        EXPECT_EQ(query(parser, c.kind, "v"), c.expected);
    }
}

TEST(jsonpointer_parser, values_that_do_not_convert_fail_with_the_exact_error) {
    const struct {
        const char* json;
        getter kind;
        error_check check;
        std::string text;
    } cases[] = {
        {"[]", getter::string, throws<parser_errors::unexpected_type_error>,
         type_text("v", "string", "array")},
        // A single member is not unwrapped: only an array stands for its one element.
        {"{\"a\":1}", getter::string, throws<parser_errors::unexpected_type_error>,
         type_text("v", "string", "object")},
        {"[1,2]", getter::string, throws<json_errors::unexpected_array_error>, array_text(2)},
        {"{\"a\":1,\"b\":2}", getter::string, throws<json_errors::unexpected_array_error>, array_text(2)},
        {"\"12x\"", getter::int64, throws<json_errors::conversion_error>, conversion_text("12x", "integer")},
        {"\"99999999999999999999\"", getter::int64, throws<json_errors::conversion_error>,
         conversion_text("99999999999999999999", "integer")},
        {"9223372036854775808", getter::int64, throws<json_errors::conversion_error>,
         conversion_text("9223372036854775808", "integer")},
        {"2.0", getter::int64, throws<parser_errors::unexpected_type_error>,
         type_text("v", "int64", "double")},
        {"true", getter::uint64, throws<parser_errors::unexpected_type_error>,
         type_text("v", "uint64", "bool")},
        {"null", getter::floating, throws<parser_errors::unexpected_type_error>,
         type_text("v", "double", "null")},
        {"-1", getter::uint64, throws<json_errors::conversion_error>,
         conversion_text("-1", "unsigned integer")},
        {"\"nan\"", getter::floating, throws<json_errors::conversion_error>,
         conversion_text("nan", "floating point")},
        // Only the lower-case texts are booleans.
        {"\"True\"", getter::boolean, throws<parser_errors::unexpected_type_error>,
         type_text("v", "bool", "string")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json);
        const jsonpointer_parser parser(std::string("{\"v\":") + c.json + "}");
        c.check([&] { query(parser, c.kind, "v"); }, c.text);
    }
}

TEST(jsonpointer_parser, a_long_text_is_quoted_as_an_excerpt) {
    const jsonpointer_parser parser("{\"v\":\"" + std::string(100, 'x') + "\",\"u\":\"" +
                                    std::string(63, 'y') + "\xC3\xBC\"}");
    expect_exactly<json_errors::conversion_error>([&] { parser.get_int64("v"); },
                                                  conversion_text(std::string(64, 'x') + "...", "integer"));
    // The excerpt never ends inside a character.
    expect_exactly<json_errors::conversion_error>([&] { parser.get_int64("u"); },
                                                  conversion_text(std::string(63, 'y') + "...", "integer"));
}

TEST(jsonpointer_parser, every_kind_is_named_in_unexpected_type_error) {
    const struct {
        nlohmann::json value;
        const char* name;
    } cases[] = {
        {nullptr, "null"},
        {true, "bool"},
        {-5, "int64"},
        {9947888669857743000U, "uint64"},
        {2.5, "double"},
        {"x", "string"},
        {nlohmann::json::binary({1, 2, 3}), "byte_string"},
        {nlohmann::json::array(), "array"},
        {nlohmann::json::object(), "object"},
        {nlohmann::json(nlohmann::json::value_t::discarded), "unknown_type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const jsonpointer_parser parser(c.value);
        // get_bool takes only booleans, get_int64 then names bool.
        const auto rejecting_getter = c.value.is_boolean() ? getter::int64 : getter::boolean;
        expect_exactly<parser_errors::unexpected_type_error>(
            [&] { query(parser, rejecting_getter, ""); },
            type_text("", c.value.is_boolean() ? "int64" : "bool", c.name));
    }
}

TEST(jsonpointer_parser, paths_that_designate_nothing_or_are_malformed_fail_exactly) {
    const jsonpointer_parser parser(resolution_document);
    const auto empty = [](const std::string& path) { return "The queried field \"" + path + "\" is empty."; };
    const struct {
        std::string path;
        error_check check;
        std::string text;
    } cases[] = {
        {"error.code", throws<parser_errors::empty_result>, empty("error.code")},
        {"result.entries.2.a", throws<parser_errors::empty_result>, empty("result.entries.2.a")},
        {"result.entries.-", throws<parser_errors::empty_result>, empty("result.entries.-")},
        {"result.entries.99999999999999999999999", throws<parser_errors::empty_result>,
         empty("result.entries.99999999999999999999999")},
        // Stepping into a value that holds no members designates nothing.
        {"result.n.code", throws<parser_errors::empty_result>, empty("result.n.code")},
        {"Result.k", throws<parser_errors::empty_result>, empty("Result.k")},
        {"result.entries.01", throws<json_errors::query_error>, query_text + "Invalid array index"},
        {"result.entries.a", throws<json_errors::query_error>, query_text + "Invalid array index"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        c.check([&] { parser.get_int64(c.path); }, c.text);
    }
}

TEST(jsonpointer_parser, query_or_default_absorbs_only_absence_and_kind) {
    const jsonpointer_parser parser(R"({"error": {"code": "x", "list": [1, 2], "text": {}}, "n": null})");
    const auto int64 = &parser_interface::get_int64;
    const auto string = &parser_interface::get_string;
    EXPECT_EQ(query_or_default(parser, int64, "error.missing", -1), -1);
    EXPECT_EQ(query_or_default(parser, int64, "n", -1), -1);  // null is not an integer
    EXPECT_EQ(query_or_default(parser, string, "error.text", "none"), "none");
    EXPECT_EQ(query_or_default(parser, string, "n", "none"), "");  // null is the empty text

    // Faults pass: a bad number, an array where one value belongs, a malformed path.
    expect_exactly<json_errors::conversion_error>([&] { query_or_default(parser, int64, "error.code", 0); },
                                                  "'x' could not be converted to 'integer'.");
    expect_exactly<json_errors::unexpected_array_error>(
        [&] { query_or_default(parser, int64, "error.list", 0); }, array_text(2));
    expect_exactly<json_errors::query_error>([&] { query_or_default(parser, int64, "error.list.x", 0); },
                                             query_text + "Invalid array index");
}

TEST(jsonpointer_parser, collections_give_child_parsers_of_the_same_class) {
    const char* const text = R"({"list": [{"Id": "a"}, {"Id": "b"}], "one": [{"Id": "c"}],
                                 "object": {"b": {"Id": "y"}, "a": {"Id": "x"}}})";
    const jsonpointer_parser exact(text);
    const auto elements = exact.get_array("list");
    ASSERT_EQ(elements.size(), 2U);
    EXPECT_EQ(elements[1]->get_string("Id"), "b");
    EXPECT_THROW(elements[0]->get_string("id"), parser_errors::empty_result);
    // A one-element array is still an array here.
    EXPECT_EQ(exact.get_array("one").size(), 1U);
    expect_exactly<parser_errors::unexpected_type_error>([&] { exact.get_array("object"); },
                                                         type_text("object", "array", "object"));

    const case_insensitive_jsonpointer_parser any_case(text);
    const auto children = any_case.get_array("LIST");
    ASSERT_EQ(children.size(), 2U);
    EXPECT_EQ(children[1]->get_string("id"), "b");

    EXPECT_EQ(exact.get_member_names("object"), (std::vector<std::string>{"a", "b"}));
    const auto members = any_case.get_object("OBJECT");
    EXPECT_EQ(members.at("a")->get_string("ID"), "x");
    expect_exactly<parser_errors::unexpected_type_error>([&] { exact.get_object("list"); },
                                                         type_text("list", "object", "array"));
    expect_exactly<parser_errors::unexpected_type_error>([&] { exact.get_member_names("one"); },
                                                         type_text("one", "object", "array"));
}

// A child parser's error names the member from the top of the whole answer, not from the child.
TEST(jsonpointer_parser, a_type_error_names_the_member_from_the_top_of_the_document) {
    const jsonpointer_parser answer(
        R"([{"id": "Api.Login", "result": {"token": "t"}},
            {"id": "Modules.Browse", "result": {"modules": [{"name": "PLC_1"}, {"name": {"de": "x"}}]}},
            {"id": "a.b", "result": {"x.y": [1, 2]}}])");
    const auto elements = answer.get_array("");
    ASSERT_EQ(elements.size(), 3U);
    const auto modules = elements[1]->get_array("result.modules");
    expect_exactly<parser_errors::unexpected_type_error>(
        [&] { modules[1]->get_string("name"); }, type_text("1.result.modules.1.name", "string", "object"));
    expect_exactly<parser_errors::unexpected_type_error>([&] { elements[1]->get_int64("result"); },
                                                         type_text("1.result", "int64", "object"));
    expect_exactly<parser_errors::unexpected_type_error>([&] { elements[2]->get_array("result.x\\.y.0"); },
                                                         type_text("2.result.x\\.y.0", "array", "int64"));
    expect_exactly<parser_errors::unexpected_type_error>([&] { answer.get_object(""); },
                                                         type_text("", "object", "array"));
    const case_insensitive_jsonpointer_parser any_case(R"({"Result": [{"Name": []}]})");
    expect_exactly<parser_errors::unexpected_type_error>(
        [&] { any_case.get_array("result")[0]->get_string("NAME"); },
        type_text("Result.0.NAME", "string", "array"));
}

TEST(jsonpointer_parser, the_text_form_has_members_sorted_and_no_blanks) {
    EXPECT_EQ(jsonpointer_parser(R"({ "b": 1, "a": [true, null, 2.5, "\u00fc"] })").to_string(),
              "{\"a\":[true,null,2.5,\"\xC3\xBC\"],\"b\":1}");
}

TEST(case_insensitive_jsonpointer_parser, matches_names_in_any_case_and_prefers_the_exact_one) {
    const case_insensitive_jsonpointer_parser parser(
        R"({"result": {"mode_selector": "run", "Id": "upper", "id": "lower", "list": [{"Name": "n0"}]}})");
    const struct {
        const char* path;
        const char* expected;
    } cases[] = {
        {"RESULT.MODE_SELECTOR", "run"},
        {"result.id", "lower"},
        {"result.Id", "upper"},
        {"result.LIST.0.name", "n0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(parser.get_string(c.path), c.expected);
    }
    expect_exactly<json_errors::query_error>([&] { parser.get_string("result.list.name"); },
                                             query_text + "Not an object");
    expect_exactly<parser_errors::empty_result>([&] { parser.get_string("result.mode_selector.x"); },
                                                "The queried field \"result.mode_selector.x\" is empty.");
}

TEST(jsonpointer_parser, texts_that_are_not_json_fail_with_parse_error) {
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"",
         "parse error at line 1, column 1: syntax error while parsing value - unexpected end of input; "
         "expected '[', '{', or a literal"},
        // A byte that is not UTF-8 is replaced, not a reason to refuse: only what else is wrong is.
        {"[\"\xFF\"",
         "parse error at line 1, column 7: syntax error while parsing array - unexpected end of input; "
         "expected ']'"},
        {"1e999", "number overflow parsing '1e999'"},
        // An unterminated string is quoted only in part.
        {"\"" + std::string(1000, 'a'),
         "parse error at line 1, column 1002: syntax error while parsing value - "
         "invalid string: missing closing quote; last read: '\"" +
             std::string(63, 'a') + "...'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        expect_exactly<json_errors::parse_error>([&] { jsonpointer_parser parser(c.text); },
                                                 parse_text + c.message);
    }
}

TEST(jsonpointer_parser, bytes_that_are_not_utf8_become_replacement_characters) {
    const std::string fffd = "\xEF\xBF\xBD";
    const struct {
        std::string bytes;
        std::string text;
    } cases[] = {
        {"Tank \xFC"
         "berlauf",
         "Tank " + fffd + "berlauf"},  // Latin-1
        {"\xC3\xBC"
         "ber \xC3",
         "\xC3\xBC"
         "ber " +
             fffd},                                       // cut before its end
        {"\xC0\xAF", fffd + fffd},                        // overlong
        {"\xED\xA0\x80", fffd + fffd + fffd},             // a surrogate
        {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},  // above U+10FFFF
        {"\xF0\x9F\x94\xA5 ok", "\xF0\x9F\x94\xA5 ok"},   // well-formed, untouched
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const jsonpointer_parser parser(R"({"alarms": [{"text": ")" + c.bytes + R"("}], "n": 1})");
        EXPECT_EQ(parser.get_array("alarms")[0]->get_string("text"), c.text);
        EXPECT_EQ(parser.get_int64("n"), 1);
    }
}

TEST(jsonpointer_parser, nesting_and_length_are_bounded_before_parsing) {
    const auto nested = [](std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); };
    EXPECT_NO_THROW(jsonpointer_parser parser(nested(json_parser::max_json_nesting_depth)));
    // Brackets inside strings do not count.
    EXPECT_NO_THROW(jsonpointer_parser parser("[\"" + std::string(1000, '[') + "\\\"{\"]"));
    expect_exactly<json_errors::parse_error>(
        [&] { jsonpointer_parser parser(nested(json_parser::max_json_nesting_depth + 1)); },
        parse_text + "Nested deeper than 256 levels at byte 257");

    std::string too_long(json_parser::max_json_text_length + 1, ' ');
    too_long.front() = '1';
    expect_exactly<json_errors::parse_error>(
        [&] { jsonpointer_parser parser(too_long); },
        parse_text + "Text of 16777217 bytes exceeds the limit of 16777216 bytes");
}

}  // namespace
