// The answer parser on simdjson's DOM against jsonpointer_parser: every query kind over the same texts
// (each conversion and each error, paths into arrays, one-element arrays, duplicate names, invalid UTF-8,
// deep nesting, numbers at the edges of int64, uint64 and double, huge exponents, the Web API's sample
// answers) must give the same value or the same error text, on the top-level value and on every part
// handed out; texts simdjson refuses must end as jsonpointer_parser ends them.
#include "libjsonparser/simdjson_pointer_parser.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <typeinfo>
#include <vector>

#include "libjsonparser/json_text.hpp"
#include "libjsonparser/jsonpointer_parser.hpp"

namespace {

namespace json_parser = korvel::probekit::libjsonparser;
using json_parser::jsonpointer_parser;
using korvel::probekit::libparser::parser_interface;

using transcript = std::vector<std::string>;

// What a call gives: its value's text, or the class and text of what it throws.
std::string outcome(const std::function<std::string()>& call) {
    try {
        return "= " + call();
    } catch (const std::exception& error) {
        return std::string("! ") + typeid(error).name() + ": " + error.what();
    }
}

std::string exact(double number) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g (%016llx)", number,
                  static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(number)));
    return text;
}

// The paths every part is queried with: members, indexes, escapes, the end of an array, and steps
// an array does not take.
const std::vector<std::string> paths = {"",    "v",   "v.0", "v.1", "v.0.x", "a.b", "a\\.b", "0", "1",
                                        "20",  "-",   "01",  "x",   "v.x",   "",    "a.",   "id", "error.code",
                                        "result", "result.0", "v.0.x.1.y", "v.a"};

void record(const parser_interface& parser, const std::string& where, int depth, transcript& lines);

void record_parts(const std::string& where, const std::string& path,
                  const std::vector<std::unique_ptr<parser_interface>>& parts, int depth, transcript& lines) {
    for (std::size_t index = 0; index < parts.size(); ++index) {
        record(*parts[index], where + "[" + path + "]." + std::to_string(index), depth + 1, lines);
    }
}

// Every query on every path, then the same on the parts get_array and get_object hand out.
void record(const parser_interface& parser, const std::string& where, int depth, transcript& lines) {
    lines.push_back(where + " to_string " + outcome([&] { return parser.to_string(); }));
    for (const auto& path : paths) {
        const std::string at = where + " '" + path + "' ";
        lines.push_back(at + "string " + outcome([&] { return parser.get_string(path); }));
        lines.push_back(at + "int64 " + outcome([&] { return std::to_string(parser.get_int64(path)); }));
        lines.push_back(at + "uint64 " + outcome([&] { return std::to_string(parser.get_uint64(path)); }));
        lines.push_back(at + "double " + outcome([&] { return exact(parser.get_double(path)); }));
        lines.push_back(at + "bool " + outcome([&] { return std::string(parser.get_bool(path) ? "true" : "false"); }));
        lines.push_back(at + "designates " + outcome([&] { return std::string(parser.designates(path) ? "yes" : "no"); }));
        lines.push_back(at + "names " + outcome([&] {
                            std::string joined;
                            for (const auto& name : parser.get_member_names(path)) joined += name + "|";
                            return joined;
                        }));
        lines.push_back(at + "array " + outcome([&] {
                            std::string texts;
                            for (const auto& element : parser.get_array(path)) texts += element->to_string() + "|";
                            return texts;
                        }));
        lines.push_back(at + "object " + outcome([&] {
                            std::string texts;
                            for (const auto& [name, member] : parser.get_object(path))
                                texts += name + "=" + member->to_string() + "|";
                            return texts;
                        }));
    }
    if (depth >= 3) return;
    for (const std::string path : {"", "v", "result"}) {
        try {
            record_parts(where, path, parser.get_array(path), depth, lines);
        } catch (const std::exception&) {
        }
        try {
            std::vector<std::unique_ptr<parser_interface>> members;
            for (auto& [name, member] : parser.get_object(path)) members.push_back(std::move(member));
            record_parts(where + "{}", path, members, depth, lines);
        } catch (const std::exception&) {
        }
    }
}

transcript transcript_of(const std::function<std::unique_ptr<parser_interface>()>& parse) {
    transcript lines;
    std::unique_ptr<parser_interface> parser;
    lines.push_back("parse " + outcome([&] {
                        parser = parse();
                        return std::string();
                    }));
    if (parser) record(*parser, "top", 0, lines);
    return lines;
}

void expect_same(const transcript& expected, const transcript& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (std::size_t line = 0; line < expected.size(); ++line) {
        ASSERT_EQ(expected[line], actual[line]) << "first difference at line " << line;
    }
}

std::string shown(const std::string& text) { return text.size() > 200 ? text.substr(0, 200) + "..." : text; }

// simdjson takes `text` itself, and answers as jsonpointer_parser does.
void expect_taken_alike(const std::string& text) {
    SCOPED_TRACE(shown(text));
    ASSERT_NE(json_parser::parse_with_simdjson(text), nullptr);
    expect_same(transcript_of([&] { return std::make_unique<jsonpointer_parser>(text); }),
                transcript_of([&] { return json_parser::parse_with_simdjson(text); }));
}

// The answer parse reads `text` as jsonpointer_parser does, whichever parser takes it.
void expect_read_alike(const std::string& text) {
    SCOPED_TRACE(shown(text));
    expect_same(transcript_of([&] { return std::make_unique<jsonpointer_parser>(text); }),
                transcript_of([&] { return json_parser::parse_json_document(text); }));
}

// simdjson refuses `text`, and the answer parse ends as jsonpointer_parser ends: read or refused alike.
void expect_refused_alike(const std::string& text) {
    SCOPED_TRACE(shown(text));
    EXPECT_EQ(json_parser::parse_with_simdjson(text), nullptr);
    expect_same(transcript_of([&] { return std::make_unique<jsonpointer_parser>(text); }),
                transcript_of([&] { return json_parser::parse_json_document(text); }));
}

std::string member_v(const std::string& json) { return "{\"v\":" + json + "}"; }

TEST(simdjson_parity, every_conversion_and_its_errors) {
    for (const char* value :
         {"null", "true", "false", "\"text\"", "\"\"", "\"12\"", "\"-12\"", "\" 12\"", "\"12x\"", "\"+1\"",
          "\"1e3\"", "\"nan\"", "\"inf\"", "\"1e400\"", "\"true\"", "\"True\"", "\"false\"", "0", "-0", "7", "-7",
          "1.5", "2.0", "-0.0", "0.1", "1e300", "1E+2", "-1e-300", "1e-400", "5e-324", "2.2250738585072014e-308",
          "1.7976931348623157e308", "9223372036854775807", "9223372036854775808", "-9223372036854775808",
          "18446744073709551615", "\"18446744073709551615\"", "\"18446744073709551616\"",
          "\"99999999999999999999\"", "\"-9223372036854775809\"", "\"-1\"", "9947888669857743000",
          "\"a\\u0000b\"", "\"\\ud83d\\ude00 \\u00e9 \\\" \\\\ \\/ \\b\\f\\n\\r\\t\"", "\"\\u001f\""}) {
        expect_taken_alike(member_v(value));
    }
}

TEST(simdjson_parity, arrays_objects_and_paths_into_them) {
    for (const char* value : {"[]", "[7]", "[[7]]", "[[1,2]]", "[1,2]", "[{\"a\":1}]", "[{\"a\":1,\"b\":2}]",
                              "{}", "{\"a\":1}", "{\"a\":1,\"b\":2}", "[null]", "[\"x\"]", "[true]",
                              "[{\"x\":[1,{\"y\":\"z\"}]}]", "{\"x\":{\"y\":[3]}}",
                              "[0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20]"}) {
        expect_taken_alike(member_v(value));
    }
    for (const char* text :
         {"[]", "[1]", "{}", "7", "\"top\"", "null", " \n\t[1, {\"v\": [2]}]\r\n", R"({"a.b": 1, "a": {"b": 2}})",
          R"({"": 10, "a": {"": 11}, "a.": 12})", R"({"0": "zero", "01": "one", "-": "end"})",
          R"({"b": 1, "a": 2, "B": 3, "\u00e9": 4, "~1": 5, "p/q": 6})",
          R"([{"id": "Plc.ReadOperatingMode", "jsonrpc": "2.0", "result": "run"},
              {"id": 2, "error": {"code": 2, "message": "Permission denied"}}])"}) {
        expect_taken_alike(text);
    }
}

// simdjson keeps both members of a duplicated name; the queries see the last, once, as nlohmann does.
TEST(simdjson_parity, duplicate_member_names) {
    for (const char* text : {R"({"v": {"a": 1, "a": 2}})", R"({"v": {"b": 1, "a": 2, "a": [3], "c": 4}})",
                             R"({"v": {"a": 1, "a": 2, "a": 3}, "v": [9]})", R"({"v": [{"x": 1, "x": {"y": 2}}]})",
                             R"({"a": 1, "b": 2, "a": 3})"}) {
        expect_taken_alike(text);
    }
}

// Up to the bound every text is read, by simdjson or (where it counts one level more) by nlohmann;
// beyond it every text is refused as before, objects and arrays alike.
TEST(simdjson_parity, nesting_up_to_the_bound_and_beyond) {
    const auto nested = [](std::size_t depth, bool objects, const std::string& inner) {
        std::string open;
        std::string close;
        for (std::size_t level = 0; level < depth; ++level) {
            const bool object = objects && level % 2 == 0;
            open += object ? "{\"v\":" : "[";
            close.insert(0, object ? "}" : "]");
        }
        return open + inner + close;
    };
    const std::size_t bound = json_parser::max_json_nesting_depth;
    expect_taken_alike(nested(bound, false, ""));
    expect_taken_alike(nested(bound - 1, true, "7"));
    for (const bool objects : {false, true}) {
        expect_read_alike(nested(bound, objects, "7"));
        expect_refused_alike(nested(bound + 1, objects, "7"));
        expect_refused_alike(nested(bound + 1, false, ""));
        expect_refused_alike(nested(2 * bound, objects, "7"));
    }
}

// Bytes that are not UTF-8 become U+FFFD; numbers simdjson does not take are read as nlohmann reads them.
TEST(simdjson_parity, texts_simdjson_refuses_end_as_before) {
    for (const char* text :
         {"{\"v\":\"a\xff" "b\"}", "{\"\xfe\":\"x\"}", "{\"v\":\"\xc3\"}", "{\"v\":[\"\xed\xa0\x80\"]}",
          "{\"v\":\"\xf4\x90\x80\x80\"}", "{\"v\":18446744073709551616}", "{\"v\":-9223372036854775809}",
          "{\"v\":123456789012345678901234567890}", "{\"v\":1e400}", "{\"v\":-1e309}", "[1e999999]", "",
          "   ", "[1,]", "{\"v\":1,}", "{", "tru", "[1] x", "{\"v\" 1}", "\"a\x01" "b\"", "\"a\tb\"",
          "\"\\ud800\"", "\"\\udc00x\"", "\"\\x\"", "01", "-", ".5", "NaN", "\xef\xbb\xbf{}", "[\"a\xff\",1e400]"}) {
        expect_refused_alike(text);
    }
    expect_refused_alike(std::string(json_parser::max_json_text_length + 1, ' '));
}

// Every part keeps the document alive, and the next parse on the thread (which reuses the parser's
// buffers) leaves the parts of the last one as they were; texts beyond the reused buffers parse too.
TEST(simdjson_parity, parts_outlive_their_parser_and_the_next_parse) {
    auto first = json_parser::parse_with_simdjson(R"([{"id": "first", "v": [1, 2]}, {"id": "second"}])");
    ASSERT_NE(first, nullptr);
    auto parts = first->get_array("");
    first.reset();
    const auto second = json_parser::parse_with_simdjson(R"([{"id": "other", "v": "x"}])");
    ASSERT_NE(second, nullptr);
    ASSERT_EQ(parts.size(), 2U);
    EXPECT_EQ(parts[0]->get_string("id"), "first");
    EXPECT_EQ(parts[0]->get_int64("v.1"), 2);
    EXPECT_EQ(parts[1]->get_string("id"), "second");
    EXPECT_EQ(second->get_string("0.v"), "x");

    std::string large = "[";
    for (int element = 0; element < 100000; ++element) large += "{\"id\":\"Plc.Read\",\"v\":" + std::to_string(element) + "},";
    large += "{\"id\":\"last\"}]";
    ASSERT_GT(large.size(), 1024U * 1024U);  // beyond the buffers a thread keeps
    const auto parsed = json_parser::parse_with_simdjson(large);
    ASSERT_NE(parsed, nullptr);
    EXPECT_EQ(parsed->get_int64("99999.v"), 99999);
    EXPECT_EQ(parsed->get_string("100000.id"), "last");
    EXPECT_EQ(json_parser::parse_with_simdjson("[1]")->get_int64("0"), 1);
}

std::string file_text(const char* path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

TEST(simdjson_parity, the_web_api_sample_answers) {
    const jsonpointer_parser file(file_text(WEB_API_ANSWERS_PATH));
    const auto samples = file.get_array("");
    ASSERT_EQ(samples.size(), 47U);
    for (const auto& sample : samples) {
        expect_taken_alike(json_parser::json_text_of(dynamic_cast<const jsonpointer_parser&>(*sample).resolve("response")));
    }
}

}  // namespace
