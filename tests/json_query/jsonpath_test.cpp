// Our JSONPath evaluator: each form of path it reads, filters, the errors of malformed paths with their
// positions, the bounds on paths and on evaluation, and jsonpath_parser's value queries.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/json_text.hpp"
#include "libjsonparser/jsonpath_parser.hpp"
#include "libjsonparser/jsonpath_query.hpp"
#include "tests/json_query/expect_exactly.hpp"

namespace {

namespace json_parser = korvel::probekit::libjsonparser;
namespace json_errors = json_parser::exceptions;
namespace parser_errors = korvel::probekit::libparser::exceptions;
using json_parser::jsonpath_parser;
using json_parser::jsonpath_query;
using json_query_test::expect_exactly;

const char* const document_text = R"({"result": {
    "entries": [
        {"id": 1, "status": "incoming", "alarm_number": 512, "ack": {"state": "not_acknowledged"}, "text": "a"},
        {"id": 2, "status": "outgoing", "alarm_number": 513, "text": "b"},
        {"id": 3, "status": "incoming", "alarm_number": 514, "ack": {"state": "acknowledged"}, "text": "c",
         "flag": true}],
    "nodes": [{"hwid": 32, "children": [{"hwid": 49, "children": []}, {"hwid": 50}]}],
    "count_current": 3,
    "odd name": {"it's": 1, "a\"b": 2, "\u00fc": 3, "\ud83d\ude00": 4},
    "word": "gr\u00fc\u00df",
    "empty": [],
    "single": [7],
    "nothing": null}})";

std::string repeated(const std::string& part, std::size_t count) {
    std::string text;
    for (std::size_t index = 0; index < count; ++index) text += part;
    return text;
}

// The selected values as one JSON array text.
std::string selected(const std::string& path) {
    static const json_parser::custom_json_functions functions;
    static const auto document = json_parser::parse_json_text(document_text);
    nlohmann::json values = nlohmann::json::array();
    for (const auto* value : jsonpath_query(path, functions).select(document)) {
        values.push_back(*value);
    }
    return values.dump();
}

struct query_case {
    const char* path;
    const char* expected;
};

void check_selections(std::initializer_list<query_case> cases) {
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(selected(c.path), c.expected);
    }
}

TEST(jsonpath_query, names_in_dot_and_bracket_form) {
    check_selections({
        {"$.result.count_current", "[3]"},
        {R"($["result"]["count_current"])", "[3]"},
        {R"($.result['odd name']['it\'s'])", "[1]"},
        {R"($.result['odd name']['\uD83D\uDE00'])", "[4]"},
        {"$.result.entries.id", "[]"},  // names select members of objects only
    });
}

TEST(jsonpath_query, indexes_wildcards_and_unions) {
    check_selections({
        {"$.result.entries[0].id", "[1]"},
        {"$.result.entries[-1].id", "[3]"},
        {"$.result.entries[-4].id", "[]"},
        {"$.result[0]", "[]"},
        {"$.result.entries[*].id", "[1,2,3]"},
        {"$.result.entries.*.id", "[1,2,3]"},
        {"$.result['odd name'].*", "[2,1,3,4]"},    // members in name order
        {"$.result.entries[2,0,2].id", "[3,1,3]"},  // duplicates stay
        {"$.result['count_current','nothing']", "[3,null]"},
        {"$.result.entries[0, 1:3].id", "[1,2,3]"},
    });
}

TEST(jsonpath_query, recursive_descent_visits_in_document_order) {
    check_selections({
        {"$..hwid", "[32,49,50]"},
        {"$..[0].hwid", "[32,49]"},
        {"$..state", R"(["not_acknowledged","acknowledged"])"},
        {"$..nodes..*.hwid", "[32,49,50]"},
    });
    EXPECT_EQ(nlohmann::json::parse(selected("$..*")).size(), 42U);
}

TEST(jsonpath_query, slices_follow_start_end_and_step) {
    check_selections({
        {"$.result.entries[0:2].id", "[1,2]"},
        {"$.result.entries[-2:].id", "[2,3]"},
        {"$.result.entries[::-1].id", "[3,2,1]"},
        {"$.result.entries[2:0:-1].id", "[3,2]"},
        {"$.result.entries[0:3:0].id", "[]"},
        {"$.result.entries[5:10].id", "[]"},
        {"$.result.entries[10:-10:-1].id", "[3,2,1]"},
        {"$.result.word[0:2]", "[]"},
    });
}

TEST(jsonpath_query, filters_compare_combine_and_test) {
    check_selections({
        {"$.result.entries[?(@.status == 'incoming')].id", "[1,3]"},
        {R"($.result.entries[?(@.status != "incoming")].id)", "[2]"},
        {"$.result.entries[?(@.alarm_number < 513)].id", "[1]"},
        {"$.result.entries[?(@.alarm_number <= 513)].id", "[1,2]"},
        {"$.result.entries[?(@.alarm_number > 513)].id", "[3]"},
        {"$.result.entries[?(@.alarm_number >= 513)].id", "[2,3]"},
        {"$.result.entries[?(@.alarm_number > 512 && @.status == 'incoming')].id", "[3]"},
        {"$.result.entries[?(@.status == 'incoming' || @.id == 2 && @.id == 3)].id",
         "[1,3]"},  // && binds first
        {"$.result.entries[?((@.status == 'incoming' || @.id == 2) && @.id == 3)].id", "[3]"},
        {"$.result.entries[?(@.ack)].id", "[1,3]"},
        {"$.result.entries[?(!@.ack)].id", "[2]"},
        {"$.result.entries[?(@.flag == true)].id", "[3]"},
        {"$.result.entries[?(@.id > -1.5e0)].id", "[1,2,3]"},
        {"$.result.entries[?(@.text < 'b')].id", "[1]"},
        {"$.result.entries[?(@.text < 2)].id", "[]"},         // only like with like is ordered
        {"$.result.entries[?(@.missing == null)].id", "[]"},  // nothing is not null
        {"$.result.entries[?(@.missing == @.other)].id", "[1,2,3]"},
        {"$.result[?(@ == null)]", "[null]"},
        {"$.result.entries[?(@.id == $.result.count_current)].id", "[3]"},
        {"$.result.entries[?@.id == 2].id", "[2]"},
        {"$.result.entries[?(false)].id", "[]"},
        {"$.result['odd name'][?(@ > 2)]", "[3,4]"},  // on an object, the member values
        {"$.result.nodes[?(@.children[?(@.hwid == 50)])].hwid", "[32]"},
    });
}

TEST(jsonpath_query, length_is_the_registered_function) {
    check_selections({
        {"$..[?(length(@.children) > 0)].hwid", "[32]"},
        {"$..[?(length(@.children))].hwid", "[32]"},  // a length of 0 does not hold
        {"$.result[?(length(@) == 4)]",
         R"([{"a\"b":2,"it's":1,"ü":3,"😀":4},"grüß"])"},         // characters, not bytes
        {"$.result.entries[?(length(@.id) == null)].id", "[]"},  // a number has no length
        {"$.result.entries[?(length('\xF0\x9F\x98\x80') == 1)].id", "[1,2,3]"},
    });
}

TEST(jsonpath_query, malformed_paths_fail_naming_what_and_where) {
    const struct {
        std::string path;
        std::string message;
    } cases[] = {
        {"", "Expected '$' at position 1"},
        {"$.1a", "Expected a name or '*' after '.' at position 3"},
        {"$..", "Expected a name, '*' or '[' after '..' at position 4"},
        {"$.result[]", "Expected a name, an index, a slice, '*' or a filter at position 10"},
        {"$.result[0", "Expected ']' at position 11"},
        {"$.a b", "Unexpected character ' ' at position 4"},
        {"$['a", "Unterminated string at position 3"},
        {R"($['a\x'])", "Invalid escape in string at position 5"},
        {R"($['\uD800'])", "Invalid escape in string at position 4"},
        {R"($['\u12G4'])", "Invalid escape in string at position 4"},
        {"$['a\tb']", "Control character in string at position 5"},
        {"$[01]", "Invalid integer at position 3"},
        {"$[9007199254740992]", "Integer out of range at position 3"},
        {"$[1:2:3:4]", "Expected ']' at position 8"},
        {"$[?(@.a == )]", "Expected a query, a literal or a function call at position 12"},
        {"$[?(@.a = 1)]", "Expected ')' at position 9"},
        {"$[?(@.a == 01)]", "Invalid number at position 12"},
        {"$[?(@..a == 1)]", "Expected a query that selects at most one value at position 5"},
        {"$[?(foo(@.a))]", "Unknown function 'foo' at position 5"},
        {"$[?(length(@.a, @.b))]", "Function 'length' takes 1 argument, not 2 at position 5"},
        {"$[?(length(@..a) > 0)]", "Expected a query that selects at most one value at position 12"},
        {"$[?(length @.a)]", "Expected '(' at position 11"},
    };
    const json_parser::custom_json_functions functions;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        expect_exactly<json_errors::query_error>([&] { jsonpath_query query(c.path, functions); },
                                                 "The provided JSONPath is incorrect. " + c.message);
    }
}

TEST(jsonpath_query, paths_are_bounded_in_length_and_nesting) {
    const json_parser::custom_json_functions functions;
    std::string longest = "$" + repeated(".a", (json_parser::max_jsonpath_length - 1) / 2);
    longest.resize(json_parser::max_jsonpath_length, 'a');
    EXPECT_NO_THROW(jsonpath_query query(longest, functions));
    expect_exactly<json_errors::query_error>(
        [&] { jsonpath_query query(longest + "a", functions); },
        "The provided JSONPath is incorrect. Path of 4097 characters exceeds the limit of 4096");

    // "?" and "(" are two levels; each "!" one more.
    const auto negations = [](std::size_t count) { return "$[?(" + std::string(count, '!') + "@.a)]"; };
    EXPECT_NO_THROW(jsonpath_query query(negations(30), functions));
    expect_exactly<json_errors::query_error>(
        [&] { jsonpath_query query(negations(31), functions); },
        "The provided JSONPath is incorrect. Nested deeper than 32 levels at "
        "position 36");
    expect_exactly<json_errors::query_error>(
        [&] { jsonpath_query query("$" + repeated("[?(@", 40), functions); },
        "The provided JSONPath is incorrect. Nested deeper than 32 levels at "
        "position 68");
}

TEST(jsonpath_query, recursive_descent_reaches_the_deepest_value_without_recursion) {
    const auto depth = json_parser::max_json_nesting_depth;
    const std::string text = repeated("{\"a\":", depth) + "1" + std::string(depth, '}');
    EXPECT_EQ(jsonpath_parser(text).get_int64("$" + repeated(".a", depth)), 1);
    const json_parser::custom_json_functions functions;
    const auto document = json_parser::parse_json_text(text);
    EXPECT_EQ(jsonpath_query("$..a", functions).select(document).size(), depth);
}

TEST(jsonpath_query, an_evaluation_stops_when_its_visits_run_out) {
    const auto zeros = [](std::size_t count) {
        return json_parser::parse_json_text("[0" + repeated(",0", count - 1) + "]");
    };
    const json_parser::custom_json_functions functions;
    // A filter that takes the whole document for each of its elements: quadratic work. Each element
    // looked at is one visit, and so is each value the inner query takes: n * (n + 1) in all.
    const jsonpath_query quadratic("$[?($[*])]", functions);
    EXPECT_TRUE(quadratic.select(zeros(99), 99 * 100).empty());
    expect_exactly<json_errors::query_error>(
        [&] { quadratic.select(zeros(100), 99 * 100); },
        "The provided JSONPath is incorrect. The query visits more than 9900 values");
    // The budget every query gets leaves room for a whole large document.
    EXPECT_EQ(jsonpath_query("$..*", functions).select(zeros(200000)).size(), 200000U);
}

TEST(jsonpath_parser, value_queries_take_the_one_selected_value) {
    const jsonpath_parser parser(document_text);
    EXPECT_EQ(parser.get_string("$.result.entries[0].status"), "incoming");
    EXPECT_EQ(parser.get_int64("$.result.entries[?(@.status == 'outgoing')].alarm_number"), 513);
    EXPECT_EQ(parser.get_double("$.result.count_current"), 3.0);
    EXPECT_TRUE(parser.get_bool("$..flag"));
    EXPECT_EQ(parser.get_uint64("$.result.entries[-1].id"), 3U);

    expect_exactly<parser_errors::empty_result>([&] { parser.get_string("$.result.missing"); },
                                                "The queried field \"$.result.missing\" is empty.");
    expect_exactly<json_errors::unexpected_array_error>(
        [&] { parser.get_int64("$.result.entries[*].id"); },
        "The received value is an array instead of a single value. Array size is: 3");
    expect_exactly<json_errors::query_error>([&] { parser.get_string("$["); },
                                             "The provided JSONPath is incorrect. Expected a name, an index, "
                                             "a slice, '*' or a filter at position 3");
    expect_exactly<json_errors::exception>([&] { parser.get_array("$.result.entries"); },
                                           "NOT YET IMPLEMENTED");
}

}  // namespace
