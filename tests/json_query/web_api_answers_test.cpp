// The public sample answers of the PLC web API (s7_web_api_answers.json: method and answer of each sample,
// in the reference file's order): every answer parses as JSON, for both parsers, and its envelope reads
// the way the Web API session reads it. Their quirks are conversion cases of jsonpointer_parser_test;
// what the parse operations make of the samples is tested with the Web API records.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "libjsonparser/json_text.hpp"
#include "libjsonparser/jsonpath_parser.hpp"
#include "libjsonparser/jsonpointer_parser.hpp"
#include "libparser/query_or_default.hpp"

namespace {

namespace json_parser = korvel::probekit::libjsonparser;
using json_parser::jsonpointer_parser;
using korvel::probekit::libparser::parser_interface;
using korvel::probekit::libparser::query_or_default;

std::string answers_file_text() {
    std::ifstream file(WEB_API_ANSWERS_PATH, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The envelope the session reads from every answer element: a code other than 0 comes with a message.
void read_envelope(const parser_interface& element) {
    query_or_default(element, &parser_interface::get_string, "id", "");
    if (query_or_default(element, &parser_interface::get_int64, "error.code", 0) != 0) {
        EXPECT_NE(query_or_default(element, &parser_interface::get_string, "error.message", ""), "");
    }
}

TEST(web_api_answers, every_answer_parses_and_its_envelope_reads) {
    const jsonpointer_parser file(answers_file_text());
    const auto samples = file.get_array("");
    ASSERT_EQ(samples.size(), 47U);
    for (std::size_t index = 0; index < samples.size(); ++index) {
        const auto& sample = dynamic_cast<const jsonpointer_parser&>(*samples[index]);
        SCOPED_TRACE("sample " + std::to_string(index) + " (" + sample.get_string("method") + ")");
        // The answer's own text, as it would arrive.
        const auto answer_text = json_parser::json_text_of(sample.resolve("response"));
        std::unique_ptr<jsonpointer_parser> answer;
        ASSERT_NO_THROW(answer = std::make_unique<jsonpointer_parser>(answer_text));
        EXPECT_NO_THROW(json_parser::jsonpath_parser{answer_text});
        // A batch answer is an array of elements; the Web API code reads each the same way.
        if (answer->resolve("").is_array()) {
            for (const auto& element : answer->get_array("")) read_envelope(*element);
        } else {
            read_envelope(*answer);
        }
    }
}

}  // namespace
