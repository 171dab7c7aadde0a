// The public sample answers of the PLC web API (s7_web_api_answers.json: method and answer of each sample,
// in the reference file's order): every answer parses as JSON, and every path the Web API code reads from
// it resolves, or yields its default where the read names one.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
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

enum class read_as { string, int64, floating, boolean };

// One read of the Web API code: a path and its getter; without a default the path must be present.
struct read {
    const char* path;
    read_as kind;
    bool has_default;
};

void perform(const parser_interface& answer, const read& r) {
    SCOPED_TRACE(r.path);
    const auto get = [&] {
        switch (r.kind) {
            case read_as::string:
                answer.get_string(r.path);
                break;
            case read_as::int64:
                answer.get_int64(r.path);
                break;
            case read_as::floating:
                answer.get_double(r.path);
                break;
            case read_as::boolean:
                answer.get_bool(r.path);
                break;
        }
    };
    if (!r.has_default) {
        EXPECT_NO_THROW(get());
        return;
    }
    // A default absorbs absence and kind; nothing else may go wrong.
    try {
        get();
    } catch (const korvel::probekit::libparser::exceptions::empty_result&) {
    } catch (const korvel::probekit::libparser::exceptions::unexpected_type_error&) {
    } catch (const std::exception& error) {
        ADD_FAILURE() << error.what();
    }
}

// What the Web API code reads from a successful answer of each method, and from each element of a list.
struct method_reads {
    std::vector<read> reads;
    const char* list = nullptr;
    std::vector<read> element_reads;
};

const std::map<std::string, method_reads>& reads_by_method() {
    static const std::map<std::string, method_reads> reads{
        {"Api.Version", {{{"result", read_as::floating, false}}, nullptr, {}}},
        {"Api.Login", {{{"result.token", read_as::string, true}}, nullptr, {}}},
        {"Plc.ReadOperatingMode", {{{"result", read_as::string, false}}, nullptr, {}}},
        {"Plc.ReadModeSelectorState", {{{"result.mode_selector", read_as::string, false}}, nullptr, {}}},
        {"Plc.ReadRuntimeInformation",
         {{{"result.cycle_time.actual.current", read_as::string, false},
           {"result.cycle_time.actual.shortest", read_as::string, false},
           {"result.cycle_time.actual.longest", read_as::string, false},
           {"result.load.actual.program_load_cyclic_program_obs_percentage", read_as::int64, false},
           {"result.load.actual.program_load_high_priority_obs_percentage", read_as::int64, false},
           {"result.load.actual.current_communication_load_percentage", read_as::int64, false},
           {"result.load.configured.max_communication_load_percentage", read_as::int64, false}},
          nullptr,
          {}}},
        {"DiagnosticBuffer.Browse",
         {{},
          "result.entries",
          {{"timestamp", read_as::string, false},
           {"event.textlist_id", read_as::int64, false},
           {"event.text_id", read_as::int64, false}}}},
        {"Alarms.Browse",
         {{{"result.count_current", read_as::int64, true}},
          "result.entries",
          {{"alarm_number", read_as::int64, true},
           {"producer", read_as::string, true},
           {"origin", read_as::string, true},
           {"hwid", read_as::int64, true},
           {"status", read_as::string, true},
           {"acknowledgement.state", read_as::string, true},
           {"timestamp", read_as::string, true},
           {"alarm_text", read_as::string, true}}}},
        {"Modules.ReadStatus",
         {{{"result.status.own", read_as::string, false},
           {"result.status.subordinate", read_as::string, false}},
          nullptr,
          {}}},
    };
    return reads;
}

// The hardware ids of a module browse answer, walked with a work list as the Web API code walks it.
std::vector<std::int64_t> walk_module_nodes(const parser_interface& answer) {
    std::vector<std::int64_t> hwids;
    auto pending = answer.get_array("result.nodes");
    while (!pending.empty()) {
        const auto node = std::move(pending.back());
        pending.pop_back();
        hwids.push_back(node->get_int64("hwid"));
        for (const read& r :
             {read{"name", read_as::string, true}, read{"type", read_as::string, true},
              read{"subtype", read_as::string, true}, read{"has_children", read_as::boolean, true}}) {
            perform(*node, r);
        }
        auto children = query_or_default(*node, &parser_interface::get_array, "children", {});
        for (auto& child : children) {
            pending.push_back(std::move(child));
        }
    }
    return hwids;
}

// One JSON-RPC answer element: the envelope, then (on success) what its method's parser reads.
void read_element(const parser_interface& element, const std::string& method) {
    query_or_default(element, &parser_interface::get_string, "id", "");
    query_or_default(element, &parser_interface::get_string, "jsonrpc", "");
    const auto code = query_or_default(element, &parser_interface::get_int64, "error.code", 0);
    if (code != 0) {
        EXPECT_NE(query_or_default(element, &parser_interface::get_string, "error.message", ""), "");
        return;
    }
    // Documentation fragments without the envelope carry no result to read.
    if (query_or_default(element, &parser_interface::get_string, "jsonrpc", "") != "2.0") {
        return;
    }
    if (method == "Modules.Browse") {
        EXPECT_FALSE(walk_module_nodes(element).empty());
        return;
    }
    const auto found = reads_by_method().find(method);
    if (found == reads_by_method().end()) {
        return;
    }
    for (const auto& r : found->second.reads) {
        perform(element, r);
    }
    if (found->second.list != nullptr) {
        const auto entries = element.get_array(found->second.list);
        EXPECT_FALSE(entries.empty());
        for (const auto& entry : entries) {
            for (const auto& r : found->second.element_reads) {
                perform(*entry, r);
            }
        }
    }
}

TEST(web_api_answers, every_answer_parses_and_the_paths_read_from_it_resolve) {
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
                read_element(*element, method);
            }
        } else {
            read_element(*answer, method);
        }
    }
}

TEST(web_api_answers, values_read_from_answers) {
    const auto samples = load_samples();
    ASSERT_EQ(samples.size(), 47U);
    const auto answer = [&](std::size_t index) { return jsonpointer_parser(samples.at(index).answer); };

    EXPECT_DOUBLE_EQ(answer(0).get_double("result"), 2.00874);
    EXPECT_EQ(answer(1).get_string("result.token"), "G8ejtdxTZ6fz8AIuwDG.tWf+6Cou");
    EXPECT_EQ(answer(2).get_string("id"), "1");  // a numeric id reads as its text
    EXPECT_EQ(answer(4).get_int64("error.code"), 100);
    EXPECT_EQ(query_or_default(answer(4), &parser_interface::get_string, "result.token", ""), "");
    EXPECT_EQ(answer(5).get_int64("error.code"), 101);
    EXPECT_EQ(answer(18).get_string("result.mode_selector"), "run");
    EXPECT_EQ(answer(20).get_string("result.cycle_time.actual.current"), "PT0.000973S");
    EXPECT_EQ(answer(20).get_int64("result.load.configured.max_communication_load_percentage"), 50);
    EXPECT_EQ(answer(21).get_array("result.entries")[1]->get_int64("event.text_id"), 26315);
    EXPECT_EQ(answer(32).get_int64("error.code"), -32602);
    EXPECT_EQ(answer(38).get_array("")[0]->get_string("result.token"), "Sy8pe3VNv86rTMldzFBsYzmw12Lg");

    // An alarm id beyond the signed range: its text and the unsigned read work, the signed one says why not.
    const auto alarms = answer(22).get_array("result.entries");
    const auto& alarm = alarms.at(0);
    EXPECT_EQ(alarm->get_string("id"), "9947888669857743000");
    EXPECT_EQ(alarm->get_uint64("id"), 9947888669857743000U);
    json_query_test::expect_exactly<json_parser::exceptions::conversion_error>(
        [&] { alarm->get_int64("id"); }, "'9947888669857743000' could not be converted to 'integer'.");
    EXPECT_EQ(query_or_default(*alarms.at(1), &parser_interface::get_string, "acknowledgement.state", ""),
              "");

    std::vector<std::int64_t> hwids = walk_module_nodes(answer(23));
    std::sort(hwids.begin(), hwids.end());
    EXPECT_EQ(hwids, (std::vector<std::int64_t>{32, 49}));

    // Fragments without the envelope: error.code through a number, a string and null is absent.
    for (const std::size_t fragment : {40U, 41U, 43U}) {
        SCOPED_TRACE(fragment);
        EXPECT_EQ(query_or_default(answer(fragment), &parser_interface::get_int64, "error.code", 0), 0);
    }
    EXPECT_EQ(answer(43).get_string(""), "");
    EXPECT_DOUBLE_EQ(answer(40).get_double(""), 1.28);

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
    EXPECT_EQ(select("$[?(@.method == 'Plc.ReadOperatingMode')].response.result"),
              nlohmann::json({"run", "stop", "startup", "hold", "stop_fwupdate", "run_redundant", "syncup",
                              "run_syncup", "remote_unknown", "unknown", "none"}));
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
