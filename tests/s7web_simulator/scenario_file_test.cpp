// Scenario files: a bad one fails at once with the member at fault and what was expected. (The shipped
// ones play their controllers in tests/s7web_sensors/end_to_end_test.cpp.)

#include "simulators/s7web_api/scenario_file.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/host/temporary_directory.hpp"
#include "tests/support/expect_error.hpp"

namespace {

namespace simulators = korvel::probekit::simulators;
using korvel::probekit::host::test_support::temporary_directory;
using nlohmann::json;
using simulators::scenario_error;

json nested_devices(int levels) {
    json node{{"hwid", levels}, {"name", "device"}, {"type", "device"}};
    if (levels > 1) node["children"] = json::array({nested_devices(levels - 1)});
    return node;
}

TEST(scenario_file, a_bad_scenario_names_the_member_at_fault) {
    const json user{{"name", "diag"}, {"password", "secret"}};
    const auto with = [&](const json& members) {
        json scenario{{"users", json::array({user})}};
        scenario.update(members);
        return scenario;
    };
    std::string deep_path = "/hardware/0";
    for (int level = 1; level < 16; ++level) deep_path += "/children/0";
    const std::pair<json, std::string> cases[] = {
        {json::array(), "/: expected an object"},
        {json::object(), "/users: expected at least one user"},
        {with({{"colour", "red"}}), "/colour: no such member"},
        {json{{"users", {{{"password", "x"}}}}}, "/users/0/name: missing"},
        {json{{"users", {{{"name", std::string(129, 'n')}, {"password", "x"}}}}},
         "/users/0/name: expected a text of at most 128 characters"},
        {with({{"cpus", json::array({json::object(), json::object(), json::object()})}}),
         "/cpus: expected an array of at most 2 elements"},
        {with({{"sessions", {{"max_sessions", 0}}}}),
         "/sessions/max_sessions: expected an integer from 1 to 1000"},
        {with({{"restart_every_ms", 86'400'001}}), "/restart_every_ms: expected an integer from 0 to 86400000"},
        {with({{"diagnostic_buffer",
                {{"capacity", 1}, {"entries", json::array({json::object(), json::object()})}}}}),
         "/diagnostic_buffer/entries: expected an array of at most 1 elements"},
        {with({{"alarms",
                {{"active",
                  {{{"id", 1},
                    {"alarm_number", 1},
                    {"timestamp", "t"},
                    {"producer", "a"},
                    {"origin", "b"}}}}}}}),
         "/alarms/active/0/producer: give either producer or origin"},
        {with({{"alarms", {{"active", {{{"id", -1}, {"producer", "a"}}}}}}}),
         "/alarms/active/0/id: expected an integer from 0 to 2^64-1"},
        {with({{"hardware",
                {{{"hwid", 32},
                  {"name", "a"},
                  {"type", "device"},
                  {"children", {{{"hwid", 32}, {"name", "b"}, {"type", "module"}}}}}}}}),
         "/hardware/0/children/0/hwid: hardware id 32 given twice"},
        {with({{"hardware", json::array({nested_devices(17)})}}),
         deep_path + "/children: the hardware tree is deeper than 16 levels"},
        {with({{"missing_methods", {"Plc.Explode"}}}),
         "/missing_methods: \"Plc.Explode\" is no method of the Web API"},
        {with({{"failures", {{"http_status", 200}}}}),
         "/failures/http_status: expected 0 (none) or an error status from 300 to 599"},
    };
    for (const auto& [document, message] : cases) {
        SCOPED_TRACE(message);
        test_support::expect_error<scenario_error>([&] { simulators::parse_scenario(document); }, message);
    }
    // Parsed from text, a non-negative number is unsigned, and the lower bound must hold for it too.
    test_support::expect_error<scenario_error>(
        [] {
            simulators::parse_scenario_text(
                R"({"users": [{"name": "a", "password": "b"}], "sessions": {"max_sessions": 0}})");
        },
        "/sessions/max_sessions: expected an integer from 1 to 1000");
}

TEST(scenario_file, files_that_cannot_be_read_parsed_or_are_too_large_say_so_with_their_name) {
    temporary_directory directory;
    const auto write = [&](const char* name, const std::string& text) {
        const auto path = directory.path() / name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    };
    const auto missing = directory.path() / "missing.json";
    test_support::expect_error<scenario_error>([&] { simulators::load_scenario_file(missing); },
                                               "scenario " + missing.string() + ": cannot be read");
    const auto huge = write("huge.json", std::string(simulators::max_scenario_bytes + 1, ' '));
    test_support::expect_error<scenario_error>([&] { simulators::load_scenario_file(huge); },
                                               "scenario " + huge.string() + ": larger than 1048576 bytes");
    const auto broken = write("broken.json", "{\"users\": [");
    try {
        simulators::load_scenario_file(broken);
        ADD_FAILURE() << "no exception";
    } catch (const scenario_error& error) {
        EXPECT_TRUE(std::string(error.what()).starts_with("scenario " + broken.string() + ": not JSON: "))
            << error.what();
    }
}

}  // namespace
