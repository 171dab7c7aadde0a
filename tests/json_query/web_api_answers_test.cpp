// The public sample answers of the PLC web API (s7_web_api_answers.json: method and answer of each sample,
// in the reference file's order): every answer parses as JSON, the quirks of the samples (numeric ids,
// ids past the signed range, other letter cases), and JSONPath over the whole file. What the parse operations
// make of the samples is tested with the Web API records.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "libjsonparser/case_insensitive_jsonpointer_parser.hpp"
#include "libjsonparser/custom_json_functions.hpp"
#include "libjsonparser/exceptions.hpp"
#include "libjsonparser/json_text.hpp"
#include "libjsonparser/jsonpath_parser.hpp"
#include "libjsonparser/jsonpath_query.hpp"
#include "libjsonparser/jsonpointer_parser.hpp"
#include "libparser/query_or_default.hpp"
#include "tests/json_query/expect_exactly.hpp"

namespace {

namespace json_parser = korvel::probekit::libjsonparser;
using json_parser::jsonpointer_parser;
using korvel::probekit::libparser::parser_interface;
using korvel::probekit::libparser::query_or_default;

std::string answers_file_text() {
    std::ifstream file(WEB_API_ANSWERS_PATH, std::ios::binary);
    if (!file) {
        ADD_FAILURE() << "cannot read " << WEB_API_ANSWERS_PATH;
        return "[]";
    }
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// Method name and the answer's own JSON text, as it would arrive.
struct sample {
    std::string method;
    std::string answer;
};

std::vector<sample> load_samples() {
    const jsonpointer_parser file(answers_file_text());
    std::vector<sample> samples;
    for (const auto& entry : file.get_array("")) {
        const auto& child = dynamic_cast<const jsonpointer_parser&>(*entry);
        samples.push_back({child.get_string("method"), json_parser::json_text_of(child.resolve("response"))});
    }
    return samples;
}

// The envelope the session reads from every answer element: a code other than 0 comes with a message.
void read_envelope(const parser_interface& element) {
    query_or_default(element, &parser_interface::get_string, "id", "");
    if (query_or_default(element, &parser_interface::get_int64, "error.code", 0) != 0) {
        EXPECT_NE(query_or_default(element, &parser_interface::get_string, "error.message", ""), "");
    }
}

TEST(web_api_answers, every_answer_parses_and_its_envelope_reads) {
    const auto samples = load_samples();
    ASSERT_EQ(samples.size(), 47U);
    for (std::size_t index = 0; index < samples.size(); ++index) {
        const auto& [method, answer_text] = samples[index];
        SCOPED_TRACE("sample " + std::to_string(index) + " (" + method + ")");
        std::unique_ptr<jsonpointer_parser> answer;
        ASSERT_NO_THROW(answer = std::make_unique<jsonpointer_parser>(answer_text));
        EXPECT_NO_THROW(json_parser::jsonpath_parser{answer_text});
        // A batch answer is an array of elements; the Web API code reads each the same way.
        if (answer->resolve("").is_array()) {
            for (const auto& element : answer->get_array("")) {
                read_envelope(*element);
            }
        } else {
            read_envelope(*answer);
        }
    }
}

// The quirks of the samples that the parse operations do not read themselves.
TEST(web_api_answers, quirks_of_the_samples) {
    const auto samples = load_samples();
    ASSERT_EQ(samples.size(), 47U);
    const auto answer = [&](std::size_t index) { return jsonpointer_parser(samples.at(index).answer); };
    EXPECT_EQ(answer(2).get_string("id"), "1");  // a numeric id reads as its text

    // An alarm id beyond the signed range: its text and the unsigned read work, the signed one says why not.
    const auto alarm = std::move(answer(22).get_array("result.entries").at(0));
    EXPECT_EQ(alarm->get_string("id"), "9947888669857743000");
    EXPECT_EQ(alarm->get_uint64("id"), 9947888669857743000U);
    json_query_test::expect_exactly<json_parser::exceptions::conversion_error>(
        [&] { alarm->get_int64("id"); }, "'9947888669857743000' could not be converted to 'integer'.");

    // Member names in another case are found only by the case-insensitive parser.
    const json_parser::case_insensitive_jsonpointer_parser pascal_case(samples.at(35).answer);
    EXPECT_EQ(pascal_case.get_array("")[3]->get_string("id"), "3");
    EXPECT_EQ(pascal_case.get_string("0.jsonrpc"), "2.0");
    EXPECT_THROW(answer(35).get_string("0.jsonrpc"), korvel::probekit::libparser::exceptions::empty_result);
}

TEST(web_api_answers, jsonpath_finds_answers_across_the_whole_file) {
    const json_parser::custom_json_functions functions;
    const auto file = json_parser::parse_json_text(answers_file_text());
    const auto select = [&](const char* path) {
        nlohmann::json values = nlohmann::json::array();
        for (const auto* value : json_parser::jsonpath_query(path, functions).select(file)) {
            values.push_back(*value);
        }
        return values;
    };
    EXPECT_EQ(select("$[?(@.response.error.code == 105)].method"), nlohmann::json({"Api.Login"}));
    EXPECT_EQ(select("$[?(@.method == 'Api.Login')].response.result.token").size(), 3U);
    EXPECT_EQ(select("$..token").size(), 5U);
    EXPECT_EQ(select("$[*].response.error.code"), nlohmann::json({100, 101, 105, 1, 2, 3, 4, 5, -32602}));
    EXPECT_EQ(select("$..[?(@.has_children == true && @.type == 'module')].hwid"), nlohmann::json({49}));
    EXPECT_EQ(select("$[22].response.result.entries[?(!@.acknowledgement)].alarm_number"),
              nlohmann::json({513}));

    const json_parser::jsonpath_parser parser(answers_file_text());
    EXPECT_EQ(parser.get_string("$[?(@.response.error.code == 2)].response.error.message"),
              "Permission denied");
    EXPECT_EQ(parser.get_int64("$[20].response.result.load.actual.current_communication_load_percentage"), 1);
}

}  // namespace
