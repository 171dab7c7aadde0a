// The four output formats of one report, each read back by a reader of its own rules, and tables
// aligned by display width.

#include "host/cli/output_formats.hpp"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/host/format_parsers.hpp"

namespace {

using namespace korvel::probekit::host;
using namespace korvel::probekit::host::test_support;

TEST(display_width, counts_columns_not_bytes_or_code_points) {
    const std::vector<std::pair<std::string, std::size_t>> cases{
        {"Baugruppenträger", 16},  // ä: two bytes, one column
        {"CPU ステータス", 14},    // katakana: two columns each
        {"中央处理器状态", 14},    // CJK ideographs
        {"e\xCC\x81", 1},          // e and a combining acute accent
        {"👻 Shared", 9},           // the ghost emoji of a section title
        {"\xFF\xFE", 2},           // bytes that are not UTF-8 show as one replacement each
        {"\xE3\x82", 2},           // a truncated sequence likewise
    };
    for (const auto& [text, width] : cases) EXPECT_EQ(display_width(text), width) << text;
}

TEST(print_table, pads_each_column_to_its_widest_cell_by_display_width) {
    std::ostringstream out;
    print_table({{"Channel", "Value"}, {"CPU ステータス", "RUN"}, {"ラック", "0"}, {"Kanal", ""}}, "  ", out);
    EXPECT_EQ(out.str(),
              "  Channel         Value\n"
              "  CPU ステータス  RUN\n"
              "  ラック          0\n"
              "  Kanal\n");
}

// Each channel carries what one rule of a format must handle: a '|' in a lookup text, a quote in a
// label, a count whose key ends like a counter's, two channels of one key, and no value at all.
sensor_report canned_report() {
    const limit_slots ratio_limits{80.0, std::nullopt, 70.0, 100.0};
    const limit_slots fault_limits{std::nullopt, 0.0, std::nullopt, 1.0};
    return {.kind = "demo_sensor",
            .kind_display = "Demo | Sensor",
            .id = 7,
            .target = {{"host", "host", "plc-1"}, {"connection_section.port", "port", "102"}},
            .time = std::chrono::system_clock::time_point(std::chrono::seconds(1700000000)),
            .state = severity::warning,
            .message = "OK",
            .channels = {
                {0, "channel.cpu_status", "CPU-Status", "CPU Status", 4, "", "", "STOP | halt", true,
                 severity::warning, std::nullopt},
                {1, "channel.cycle_ratio", "Zyklus", "Cycle 'Ratio'", 42.5, "%", "percent", "42.5 %", false,
                 severity::ok, ratio_limits},
                {2, "channel.hardware_fault_count", "Fehler", "Faults \"A\\B\"", 0, "#", "count", "0 #",
                 false, severity::ok, fault_limits},
                {3, "channel.hardware_device", "A", "A Status", 1, "", "", "Good", true, severity::ok,
                 std::nullopt},
                {4, "channel.cycle_ratio_2", "Leer", "Empty", nullptr, "%", "percent", "no value", false,
                 std::nullopt, std::nullopt},
                {5, "channel.hardware_device", "B", "B Status", 6, "", "", "Error", true, severity::error,
                 std::nullopt},
            }};
}

std::string written(const sensor_report& report, output_format format, scan_position position = {}) {
    std::ostringstream out;
    write_report(report, format, position, out);
    return out.str();
}

TEST(write_report, text_shows_the_time_the_state_and_a_table) {
    EXPECT_EQ(written(canned_report(), output_format::text, {2, 0}),
              "Demo | Sensor, scan 2 at 2023-11-14T22:13:20Z: Warning\n"
              "  Message: CPU-Status: STOP | halt, B: Error\n"
              "  Channel     Value            State\n"
              "  CPU-Status  STOP | halt (4)  Warning\n"
              "  Zyklus      42.5 %           OK\n"
              "  Fehler      0 #              OK\n"
              "  A           Good (1)         OK\n"
              "  Leer        no value         -\n"
              "  B           Error (6)        Error\n");
}

TEST(write_report, nagios_follows_the_plugin_convention) {
    const auto parsed = parse_plugin_output(written(canned_report(), output_format::nagios));
    EXPECT_EQ(parsed.text, "CPU-Status: STOP / halt, B: Error") << "the channels that are not OK, no '|'";
    ASSERT_EQ(parsed.performance.size(), 5u) << "every numeric channel, none for the one without a value";
    const auto& ratio = parsed.performance[1];
    EXPECT_EQ(ratio.label, "Cycle 'Ratio'");
    EXPECT_EQ(ratio.value, 42.5);
    EXPECT_EQ(ratio.unit, "%");
    EXPECT_EQ(ratio.warn, "80.0");
    EXPECT_EQ(ratio.crit, "100.0");
    EXPECT_EQ(ratio.min, 0);
    EXPECT_EQ(ratio.max, 100);
    const auto& faults = parsed.performance[2];
    EXPECT_EQ(faults.label, "Faults \"A\\B\"");
    EXPECT_EQ(faults.unit, "") << "a count is a plain number";
    EXPECT_EQ(faults.warn, "0.0");
    EXPECT_EQ(faults.crit, "1.0");
    EXPECT_EQ(faults.min, 0);
    EXPECT_EQ(faults.max, std::nullopt);
    EXPECT_EQ(parsed.performance[0].warn, "");
    EXPECT_EQ(parsed.performance[0].min, std::nullopt) << "a lookup's number has no bounds";
    EXPECT_EQ(parsed.long_output,
              (std::vector<std::string>{"CPU-Status: STOP / halt (4) [WARNING]", "Zyklus: 42.5 % [OK]",
                                        "Fehler: 0 # [OK]", "A: Good (1) [OK]", "Leer: no value",
                                        "B: Error (6) [CRITICAL]"}));
}

TEST(write_report, nagios_performance_data_carry_the_ranges_of_w_and_c_in_place_of_the_module_limits) {
    auto report = canned_report();
    report.channels[1].warning_range = parse_plugin_range("@10:20");
    report.channels[2].critical_range = parse_plugin_range("~:5");
    const auto parsed = parse_plugin_output(written(report, output_format::nagios));
    EXPECT_EQ(parsed.performance[1].warn, "@10:20");
    EXPECT_EQ(parsed.performance[1].crit, "100.0");
    EXPECT_EQ(parsed.performance[2].warn, "0.0");
    EXPECT_EQ(parsed.performance[2].crit, "~:5");
}

// Without a scan's context: every channel with a value still becomes a sample, and a lookup's
// state is the text the report shows.
TEST(write_report, openmetrics_without_a_context_reads_back_strictly) {
    const auto families = parse_openmetrics(written(canned_report(), output_format::openmetrics));
    std::size_t samples = 0;
    for (const auto& family : families) samples += family.samples.size();
    EXPECT_EQ(samples, 5u + 1u + 4u) << "five channels with a value, s7_up, four states";
    EXPECT_EQ(families.front().samples.at(0).labels.at("s7_cpu_status"), "STOP | halt");
    EXPECT_EQ(families.front().samples.at(0).labels.at("target"), "plc-1:102");
}

// Every member of a line is checked end to end; a channel without a value only here.
TEST(write_report, json_shows_a_channel_without_a_value_as_null) {
    const std::string text = written(canned_report(), output_format::json_lines);
    ASSERT_EQ(text.find('\n'), text.size() - 1) << "JSON Lines: one object, one line";
    const auto empty = json::parse(text).at("channels").at(4);
    EXPECT_EQ(empty.at("name"), "Leer");
    EXPECT_EQ(empty.at("value"), nullptr);
    EXPECT_EQ(empty.at("state"), nullptr);
}

}  // namespace

// The readers above are only worth their passes if they fail where a monitoring system would.
TEST(format_readers, refuse_what_breaks_the_formats_rules) {
    const std::vector<std::string> plugin_outputs{
        "S7 DEMO OK - fine",                    // no line feed
        "S7 DEMO FINE - fine\n",                // no such state
        "S7 DEMO OK - fine | 'a'=1x\n",         // no such unit
        "S7 DEMO OK - fine | a b=1\n",          // a label with a blank, unquoted
        "S7 DEMO OK - fine | 'a'=1;10;20;x\n",  // a minimum that is no number
        "S7 DEMO OK - fine | 'a'=1;1:2:3\n",    // no range
        "S7 DEMO OK - fine\nlong | output\n",   // a bar in the long output
    };
    for (const auto& output : plugin_outputs)
        EXPECT_THROW(parse_plugin_output(output), std::runtime_error) << output;
    const std::vector<std::string> expositions{
        "# TYPE a gauge\na 1\n",                                              // no # EOF
        "# TYPE a gauge\na 1\n# TYPE b gauge\nb 1\n# TYPE a gauge\n# EOF\n",  // a family twice
        "# TYPE a gauge\na{x=\"\\t\"} 1\n# EOF\n",                            // not an escape
        "# TYPE a gauge\na{x=\"1\"} 1\na{x=\"1\"} 2\n# EOF\n",                // the same labels twice
        "# TYPE a gauge\na one\n# EOF\n",                                     // not a number
        "# TYPE a counter\na 1\n# EOF\n",                                     // a counter's sample without _total
        "# TYPE a_total gauge\na_total 1\n# EOF\n",                           // a gauge named like a counter's sample
        "# TYPE a stateset\na{b=\"x\"} 1\n# EOF\n",                           // a state without its family's label
        "# TYPE a stateset\na{a=\"x\"} 2\n# EOF\n",                           // a state neither 0 nor 1
        "# TYPE a gauge\n# UNIT a seconds\na 1\n# EOF\n",                      // a unit the name does not end with
        "# TYPE a gauge\na 1\n# HELP a late\n# EOF\n",                         // HELP after a sample
    };
    for (const auto& exposition : expositions)
        EXPECT_THROW(parse_openmetrics(exposition), std::runtime_error) << exposition;
}
