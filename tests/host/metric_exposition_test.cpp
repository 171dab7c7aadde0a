// A scan as metrics: read back by a strict OpenMetrics reader and by promtool, family by family as
// docs/metrics.md names them.

#include "host/cli/metric_exposition.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tests/host/canned_descriptor.hpp"
#include "tests/host/child_process.hpp"
#include "tests/host/format_parsers.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit::host;
using namespace korvel::probekit::host::test_support;
using labels = std::map<std::string, std::string>;

channel_report channel(int id, std::string key, std::string english_name, json value) {
    channel_report made;
    made.id = id;
    made.key = std::move(key);
    made.name = english_name;
    made.english_name = std::move(english_name);
    made.value = std::move(value);
    return made;
}

known_channel definition(int id, const std::string& name_id, const std::string& name, const std::string& lookup) {
    return {name, {{"id", id}, {"name", {{"id", name_id}, {"text", name}}}, {"lookup", lookup}}};
}

// One channel per rule of the mapping that a fault could break: a lookup, milliseconds, percent, a
// counter with fixed labels, a LED, two modules (one name with an escaped comma and a quote), a key
// the table does not know twice, and a channel without a value.
struct canned_scan {
    sensor_report report;
    sensor_record sensor;
    json descriptor = canned_descriptor();

    canned_scan() {
        report.kind = "demo_sensor";
        report.state = severity::warning;
        report.channels = {
            channel(0, "channel.cpu_status", "CPU Status", 4),
            channel(1, "channel.ob1_cycle_time_max", "OB1 Max. Cycle Time", 187),
            channel(2, "channel.program_load_cyclic_percent", "Program Load Cyclic OBs", 83.0),
            channel(3, "channel.manual_warm_restarts", "Manual Warm Restarts", 3),
            channel(4, "channel.led_number_0x04", "RUN", 2),
            channel(5, "channel.hardware_device", "PLC,1 \"A\" Status", 1),
            channel(6, "channel.hardware_device", "Drive Status", 99),
            channel(7, "channel.widget_count", "Widgets A", 5),
            channel(8, "channel.widget_count", "Widgets B", 6),
            channel(9, "channel.longest_cycle_time", "Longest Cycle Time", nullptr),
        };
        sensor.channels.emplace(0, definition(0, "#:channel.cpu_status[]", "CPU Status", "cpu_status"));
        sensor.channels.emplace(5, definition(5, R"(#:channel.hardware_device[PLC\,1 "A"])", "PLC,1 \"A\" Status",
                                              "cpu_status"));
        sensor.channels.emplace(6, definition(6, "#:channel.hardware_device[Drive]", "Drive Status", "cpu_status"));
        sensor.persistent_data = {{"32", "5"}, {"33", "6"}, {"next_channel_id", "7"}, {"Drive", "6"}};
    }

    std::string written(exposition_format format, const std::string& reason = "") const {
        const exposition_context context{{{"target", "plc-1"}, {"kind", "demo_sensor"}}, &descriptor, &sensor, 0.25,
                                         reason};
        std::ostringstream out;
        write_exposition(report, context, format, out);
        return out.str();
    }
};

const metric_family& family_named(const std::vector<metric_family>& families, const std::string& name) {
    for (const auto& family : families) {
        if (family.name == name) return family;
    }
    throw std::runtime_error("no family " + name);
}

labels with_identity(labels extra) {
    extra.emplace("target", "plc-1");
    extra.emplace("kind", "demo_sensor");
    return extra;
}

TEST(write_exposition, openmetrics_families_carry_identity_in_labels_and_base_units_in_names) {
    const auto families = parse_openmetrics(canned_scan().written(exposition_format::openmetrics));
    std::vector<std::tuple<std::string, std::string, std::string>> shape;
    for (const auto& family : families) shape.emplace_back(family.name, family.type, family.unit);
    EXPECT_EQ(shape, (std::vector<std::tuple<std::string, std::string, std::string>>{
                         {"s7_cpu_status", "stateset", ""},
                         {"s7_cycle_time_max_seconds", "gauge", "seconds"},
                         {"s7_program_load_ratio", "gauge", "ratio"},
                         {"s7_restarts_by_kind", "counter", ""},
                         {"s7_led", "stateset", ""},
                         {"s7_hardware_status", "stateset", ""},
                         {"s7_widget_count_value", "gauge", ""},
                         {"s7_up", "gauge", ""},
                         {"s7_scan_duration_seconds", "gauge", "seconds"},
                         {"s7_state", "stateset", ""}}))
        << "a channel without a value has no sample; a scan that read has no s7_scan_error";

    const auto& cycle = family_named(families, "s7_cycle_time_max_seconds").samples.at(0);
    EXPECT_EQ(cycle.value, 0.187) << "milliseconds become seconds";
    EXPECT_EQ(cycle.labels, with_identity({}));
    const auto& load = family_named(families, "s7_program_load_ratio").samples.at(0);
    EXPECT_EQ(load.value, 0.83) << "percent becomes a ratio";
    EXPECT_EQ(load.labels, with_identity({{"obs", "cyclic"}}));
    const auto& restarts = family_named(families, "s7_restarts_by_kind").samples.at(0);
    EXPECT_EQ(restarts.name, "s7_restarts_by_kind_total");
    EXPECT_EQ(restarts.labels, with_identity({{"trigger", "manual"}, {"restart", "warm"}}));
    EXPECT_EQ(restarts.value, 3);
    EXPECT_EQ(family_named(families, "s7_led").samples.at(0).labels.at("led"), "RUN");
    const auto& widgets = family_named(families, "s7_widget_count_value").samples;
    ASSERT_EQ(widgets.size(), 2u) << "an unknown key's channels stand apart by their names";
    EXPECT_EQ(widgets[1].labels, with_identity({{"channel", "Widgets B"}}));
    EXPECT_EQ(widgets[1].value, 6);
    EXPECT_EQ(family_named(families, "s7_scan_duration_seconds").samples.at(0).value, 0.25);
}

TEST(write_exposition, a_lookup_is_a_state_set_with_every_state_and_the_value_set) {
    const auto families = parse_openmetrics(canned_scan().written(exposition_format::openmetrics));
    const auto states_of = [&](const std::string& family, const labels& member) {
        std::map<std::string, double> states;
        for (const auto& sample : family_named(families, family).samples) {
            auto rest = sample.labels;
            const std::string state = rest.at(family);
            rest.erase(family);
            if (rest == with_identity(member)) states[state] = sample.value;
        }
        return states;
    };
    EXPECT_EQ(states_of("s7_cpu_status", {}),
              (std::map<std::string, double>{{"Unknown", 0}, {"STOP", 1}, {"RUN", 0}, {"DEFECTIVE", 0}}))
        << "English texts of the descriptor, whatever the user's language";
    EXPECT_EQ(states_of("s7_hardware_status", {{"module", "PLC,1 \"A\""}, {"hwid", "32"}}),
              (std::map<std::string, double>{{"Unknown", 0}, {"STOP", 0}, {"RUN", 0}, {"DEFECTIVE", 0}, {"1", 1}}))
        << "a value the lookup lacks is a state of its own; the module is its name's argument, unescaped";
    EXPECT_EQ(states_of("s7_hardware_status", {{"module", "Drive"}, {"hwid", "33"}}).at("99"), 1)
        << "the hwid is the sensor's numeric key that holds the channel's id";
    EXPECT_EQ(states_of("s7_state", {}),
              (std::map<std::string, double>{{"ok", 0}, {"warning", 1}, {"error", 0}, {"unknown", 0}}));
}

TEST(write_exposition, a_failed_scan_is_down_with_its_reason_and_no_channels) {
    canned_scan scan;
    scan.report.failed = true;
    scan.report.state = severity::unknown;
    scan.report.channels.clear();
    const auto families = parse_openmetrics(scan.written(exposition_format::openmetrics, "libs7.error.connection_failed"));
    ASSERT_EQ(families.size(), 4u);
    EXPECT_EQ(family_named(families, "s7_up").samples.at(0).value, 0);
    const auto& error = family_named(families, "s7_scan_error").samples.at(0);
    EXPECT_EQ(error.labels, with_identity({{"reason", "libs7.error.connection_failed"}}));
    EXPECT_EQ(error.value, 1);
}

TEST(write_exposition, the_classic_text_format_passes_promtool_without_a_lint_warning) {
    temporary_directory directory;
    for (const bool failed : {false, true}) {
        SCOPED_TRACE(failed ? "failed scan" : "scan");
        canned_scan scan;
        scan.report.failed = failed;
        const std::string text = scan.written(exposition_format::prometheus_text, failed ? "error.api_login_failed" : "");
        EXPECT_EQ(text.find("# EOF"), std::string::npos);
        EXPECT_EQ(text.find("stateset"), std::string::npos) << "the classic format has no state sets";
        if (!failed) {
            EXPECT_NE(text.find("# TYPE s7_restarts_by_kind_total counter\n"), std::string::npos)
                << "the classic format names a counter by its sample\n"
                << text;
        }
        const auto file = directory.path() / "metrics.prom";
        std::ofstream(file) << text;
        const auto checked = run_program("/bin/sh", {"-c", std::string(PROMTOOL_PATH) + " check metrics < " + file.string()});
        EXPECT_EQ(checked.exit, 0) << checked.out << checked.err << text;
        EXPECT_EQ(checked.out + checked.err, "") << text;
    }
}

}  // namespace
