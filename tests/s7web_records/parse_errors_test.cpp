// The errors of every parse operation: each branch of a method's error table the simulator does not
// reach (a firmware lacking a method shows end to end), and answers too large to keep. -32601 marks a
// method the firmware lacks, -32602 a redundancy id the CPU rejects; the meaning differs per method.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "s7/exceptions/exceptions.hpp"
#include "s7/s7web/alarms_browse.hpp"
#include "s7/s7web/diagnostic_buffer.hpp"
#include "s7/s7web/module_node.hpp"
#include "s7/s7web/module_status.hpp"
#include "s7/s7web/plc_mode.hpp"
#include "s7/s7web/runtime_information.hpp"
#include "tests/s7web_records/answer_texts.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace s7web = korvel::probekit::s7::s7web;
namespace errors = korvel::probekit::s7::exceptions;
using korvel::probekit::libparser::parser_interface;
using s7web_records_test::answer_of;
using s7web_records_test::json;
namespace texts = s7web_records_test::texts;

// Checks the error and its text, followed by the device's code and its meaning when there is one.
using outcome = std::function<void(const parser_interface&, const std::string& cause)>;

template <typename Error, typename Parse>
outcome throws(Parse parse, const char* text) {
    return [=](const parser_interface& answer, const std::string& cause) {
        test_support::expect_error<Error>([&] { parse(answer); },
                                          cause.empty() ? std::string(text) : std::string(text) + " (" + cause + ")");
    };
}

const auto alarms = [](const parser_interface& answer) { return s7web::parse_alarms_browse(answer); };
const auto modules = [](const parser_interface& answer) {
    return s7web::parse_modules_browse(answer, std::nullopt);
};
const auto status = [](const parser_interface& answer) { return s7web::parse_modules_read_status(answer); };
const auto operating_mode = [](const parser_interface& answer) {
    return s7web::parse_operating_mode(answer);
};
const auto mode_selector = [](const parser_interface& answer) {
    return s7web::parse_mode_selector_state(answer);
};
const auto runtime = [](const parser_interface& answer) { return s7web::parse_runtime_information(answer); };
const auto diagnostics = [](const parser_interface& answer) {
    return s7web::parse_diagnostic_buffer(answer);
};

// Each method's own error for a failed or unusable answer.
const outcome alarms_failed = throws<errors::alarms_browse_internal_error>(alarms, texts::alarms_internal);
const outcome modules_failed =
    throws<errors::modules_browse_internal_error>(modules, texts::modules_internal);
const outcome status_failed =
    throws<errors::modules_read_status_internal_error>(status, texts::status_internal);
const outcome operating_mode_failed =
    throws<errors::read_operating_mode_internal_error>(operating_mode, texts::operating_mode_internal);
const outcome mode_selector_failed =
    throws<errors::read_mode_selector_state_internal_error>(mode_selector, texts::mode_selector_internal);
const outcome runtime_failed = throws<errors::api_unexpected_error>(runtime, texts::unexpected);
// An entry or node that cannot be read is left out for the method's error, the rest of the answer read.
const outcome alarm_left_out = [](const parser_interface& answer, const std::string&) {
    const auto result = s7web::parse_alarms_browse(answer);
    EXPECT_TRUE(result.entries.empty());
    EXPECT_EQ(result.unreadable_entries, 1u);
    EXPECT_EQ(result.first_unreadable_reason, texts::alarms_internal);
};
const outcome node_left_out = [](const parser_interface& answer, const std::string&) {
    s7web::unreadable_nodes unreadable;
    EXPECT_TRUE(s7web::parse_modules_browse(answer, std::nullopt, &unreadable).empty());
    EXPECT_EQ(unreadable.count, 1u);
    EXPECT_EQ(unreadable.first_reason, texts::modules_internal);
};
const outcome diagnostics_failed = throws<errors::api_unexpected_error>(diagnostics, texts::unexpected);

TEST(parse_errors, every_method_maps_each_error_code_to_its_error) {
    struct row {
        const char* method;
        std::int64_t code;
        outcome expected;
        const char* meaning;
    };
    const char* not_known = "the controller does not know this method";
    const char* refused = "the controller refused the parameters";
    const row rows[] = {
        {"Alarms.Browse", -32602, alarms_failed, refused},
        {"Modules.Browse", 3, modules_failed, "the controller is busy"},
        {"Modules.ReadStatus", -32601, status_failed, not_known},
        {"Plc.ReadOperatingMode", -32601, operating_mode_failed, not_known},
        {"Plc.ReadOperatingMode", -32602,
         throws<errors::read_operating_mode_invalid_params>(operating_mode, texts::redundancy_id_invalid), refused},
        {"Plc.ReadModeSelectorState", -32602,
         throws<errors::read_mode_selector_state_invalid_params>(mode_selector, texts::redundancy_id_invalid),
         refused},
        {"Plc.ReadModeSelectorState", -1, mode_selector_failed, "a code the controller does not document"},
        {"Plc.ReadRuntimeInformation", 1, runtime_failed, "internal error of the controller"},
        {"DiagnosticBuffer.Browse", -32602, diagnostics_failed, refused},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.method) + " " + std::to_string(r.code));
        // The error wins over a result the answer also carries; its text ends with the code.
        r.expected(*answer_of({{"id", r.method},
                               {"jsonrpc", "2.0"},
                               {"error", {{"code", r.code}, {"message", "from the device"}}},
                               {"result", {{"entries", json::array()}, {"nodes", json::array()}}}}),
                   std::string(r.method) + " error " + std::to_string(r.code) + ": " + r.meaning);
    }
}

TEST(parse_errors, an_error_of_code_0_or_without_a_code_parses_the_result) {
    for (const json& error : {json{{"code", 0}}, json{{"message", "none"}}}) {
        SCOPED_TRACE(error.dump());
        EXPECT_EQ(s7web::parse_operating_mode(*answer_of({{"error", error}, {"result", "run"}})), "run");
    }
}

// Texts and arrays longer than anything a device sends raise the method's own error (or, in one
// alarm or node, leave that one out), not a crash or a text kept without bound.
TEST(parse_errors, oversized_texts_and_arrays_raise_the_methods_error) {
    const std::string long_word(65, 'x');
    const std::string long_text(4097, 'x');
    json entries = json::array();
    for (int i = 0; i < 10001; ++i) entries.push_back(json::object());
    struct row {
        const char* what;
        json answer;
        outcome expected;
    };
    const row rows[] = {
        {"alarm text", {{"result", {{"entries", {{{"alarm_text", long_text}}}}}}}, alarm_left_out},
        {"alarm time stamp", {{"result", {{"entries", {{{"timestamp", long_word}}}}}}}, alarm_left_out},
        {"10001 alarms", {{"result", {{"entries", entries}}}}, alarms_failed},
        {"module name", {{"result", {{"nodes", {{{"hwid", 1}, {"name", long_text}}}}}}}, node_left_out},
        {"module type", {{"result", {{"nodes", {{{"hwid", 1}, {"type", long_word}}}}}}}, node_left_out},
        {"own status", {{"result", {{"status", {{"own", long_word}}}}}}, status_failed},
        {"operating mode", {{"result", long_word}}, operating_mode_failed},
        {"mode selector", {{"result", {{"mode_selector", long_word}}}}, mode_selector_failed},
        {"diagnostic time stamp",
         {{"result", {{"entries", {{{"timestamp", long_word}}}}}}},
         diagnostics_failed},
        {"10001 diagnostic entries", {{"result", {{"entries", entries}}}}, diagnostics_failed},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.what);
        r.expected(*answer_of(r.answer), {});
    }
    // The longest accepted forms still parse.
    EXPECT_EQ(s7web::parse_operating_mode(*answer_of({{"result", std::string(64, 'x')}})).size(), 64u);
    EXPECT_EQ(s7web::parse_alarms_browse(
                  *answer_of({{"result", {{"entries", {{{"alarm_text", std::string(4096, 'x')}}}}}}}))
                  .entries.at(0)
                  .alarm_text.size(),
              4096u);
}

}  // namespace
