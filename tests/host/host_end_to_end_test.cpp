// s7host as a monitoring engineer runs it: the real module library, snap7's server as the PLC, every
// output format read back by a reader of its own rules, state across runs, processes and signals.

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "host/cli/commands.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"
#include "tests/host/child_process.hpp"
#include "tests/host/format_parsers.hpp"
#include "tests/host/temporary_directory.hpp"
#include "tests/support/scripted_s7_peer.hpp"

namespace {

using namespace korvel::probekit::host;
using namespace korvel::probekit::host::test_support;
using korvel::probekit::simulators::cpu_state;
using korvel::probekit::simulators::load_scenario_file;
using korvel::probekit::simulators::s7_cpu_simulator;
using korvel::probekit::simulators::s7web_api_simulator;

constexpr const char* cpu_status = "simatic_s7_300_400_cpu_status_sensor";
constexpr const char* restart_overview = "simatic_s7_300_400_cpu_restart_overview_sensor";
constexpr int restart_state_channel = 0;
constexpr int warm_manual = 7;
constexpr int no_restarts = 1;

// s7host in this process, as main would run it; the module is given after the command on purpose.
finished_program run_host_here(std::vector<std::string> arguments,
                               const clock_function& now = std::chrono::system_clock::now) {
    arguments.insert(arguments.end(), {"--module", MODULE_PATH});
    std::ostringstream out, err;
    const interruption never;
    const int exit = run_host(arguments, out, err, never, now);
    return {exit, out.str(), err.str()};
}

// A port on 127.0.0.1 that nothing listens on: a simulated CPU's, closed again.
std::uint16_t closed_port() {
    return s7_cpu_simulator().port();
}

std::vector<std::string> scan_of(const std::string& kind, std::uint16_t port,
                                 const std::filesystem::path& state) {
    std::vector<std::string> arguments{"scan",        kind,
                                       "--port",      std::to_string(port),
                                       "--rack",      "0",
                                       "--slot",      "2",
                                       "--state-dir", state.string(),
                                       "--set",       "connection_section.retry=noretry",
                                       "--set",       "timeout=2"};
    if (kind == cpu_status)
        arguments.insert(arguments.end(),
                         {"--set", "simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms=100"});
    return arguments;
}

std::vector<std::string> plus(std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
}

std::set<std::string> member_names(const json& object) {
    std::set<std::string> names;
    for (const auto& [name, value] : object.items()) names.insert(name);
    return names;
}

// Checks every member of one JSON line of a scan; returns the channel values by id.
std::map<int, json> check_json_line(const json& line, const std::string& kind, std::uint16_t port, int exit) {
    static const std::vector<std::string> words{"ok", "warning", "error", "unknown"};
    EXPECT_EQ(member_names(line), (std::set<std::string>{"time", "type", "kind", "id", "target", "scan",
                                                         "state", "exit_status", "message", "channels"}));
    EXPECT_TRUE(std::regex_match(line.at("time").get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")))
        << line.at("time");
    EXPECT_EQ(line.at("type"), "scan");
    EXPECT_EQ(line.at("kind"), kind);
    EXPECT_EQ(line.at("id"), 1);
    EXPECT_EQ(line.at("target"), json({{"host", "127.0.0.1"}, {"port", port}, {"rack", 0}, {"slot", 2}}));
    EXPECT_EQ(line.at("scan"), 1);
    EXPECT_EQ(line.at("state"), words.at(static_cast<std::size_t>(exit)));
    EXPECT_EQ(line.at("exit_status"), exit);
    EXPECT_TRUE(line.at("message").is_string());
    std::map<int, json> values;
    for (const auto& channel : line.at("channels")) {
        EXPECT_EQ(member_names(channel),
                  (std::set<std::string>{"id", "key", "name", "value", "unit", "text", "state"}));
        EXPECT_TRUE(channel.at("key").get<std::string>().starts_with("channel.")) << channel;
        EXPECT_FALSE(channel.at("name").get<std::string>().empty()) << channel;
        EXPECT_TRUE(channel.at("value").is_number()) << channel;
        EXPECT_TRUE(channel.at("unit").is_string()) << channel;
        EXPECT_TRUE(channel.at("text").is_string()) << channel;
        EXPECT_TRUE(channel.at("state").is_null() ||
                    std::ranges::count(words, channel.at("state").get<std::string>()) == 1)
            << channel;
        values[channel.at("id").get<int>()] = channel.at("value");
    }
    return values;
}

TEST(host_end_to_end, every_format_reads_back_and_agrees_with_the_exit_status) {
    s7_cpu_simulator running;
    s7_cpu_simulator stopped;
    stopped.set_cpu_state(cpu_state::stop);
    const std::vector<std::tuple<std::string, std::string, std::uint16_t, int>> cases{
        {"ok", cpu_status, running.port(), 0},
        {"warning: the CPU is in STOP", cpu_status, stopped.port(), 1},
        {"error: restart events in the diagnostic buffer", restart_overview, running.port(), 2},
        {"error: no PLC at the port", cpu_status, closed_port(), 2},
    };
    const std::vector<std::string> plugin_words{"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    const std::vector<std::string> text_words{"OK", "Warning", "Error", "Unknown"};
    for (std::size_t index = 0; index < cases.size(); ++index) {
        const auto& [name, kind, port, exit] = cases[index];
        SCOPED_TRACE(name);
        const auto run = [&](const std::vector<std::string>& format) {
            temporary_directory state;  // each run is a first run: restarts are new each time
            return run_host_here(plus(scan_of(kind, port, state.path()), format));
        };

        const auto text = run({});
        EXPECT_EQ(text.exit, exit) << text.out << text.err;
        EXPECT_NE(text.out.find(": " + text_words[static_cast<std::size_t>(exit)] + "\n"), std::string::npos)
            << text.out;

        const auto nagios = run({"--format", "nagios"});
        EXPECT_EQ(nagios.exit, exit) << nagios.err;
        const auto plugin = parse_plugin_output(nagios.out);
        EXPECT_EQ(plugin.state, plugin_words[static_cast<std::size_t>(exit)]);
        std::string upper = kind;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(plugin.sensor, upper);

        // --json after the command and --format json before it, in turns.
        const auto lines = run(index % 2 == 0 ? std::vector<std::string>{"--json"}
                                              : std::vector<std::string>{"--format=json"});
        EXPECT_EQ(lines.exit, exit) << lines.err;
        ASSERT_EQ(std::ranges::count(lines.out, '\n'), 1) << "one line per scan, nothing else on stdout\n"
                                                          << lines.out;
        const auto values = check_json_line(json::parse(lines.out), kind, port, exit);
        EXPECT_EQ(plugin.performance.size(), values.size()) << "performance data for every numeric channel";

        const auto metrics = run({"--format", "openmetrics"});
        EXPECT_EQ(metrics.exit, exit) << metrics.err;
        const auto families = parse_openmetrics(metrics.out);
        ASSERT_GE(families.size(), 2u);
        const auto& state = families.back();
        EXPECT_EQ(state.name, "s7_state");
        const std::vector<std::string> state_words{"ok", "warning", "error", "unknown"};
        for (const auto& sample : state.samples) {
            EXPECT_EQ(sample.value, sample.labels.at("s7_state") == state_words[static_cast<std::size_t>(exit)]);
            EXPECT_EQ(sample.labels.at("target"), "127.0.0.1:" + std::to_string(port));
            EXPECT_EQ(sample.labels.at("kind"), kind);
        }
        const auto up = std::ranges::find(families, "s7_up", &metric_family::name);
        ASSERT_NE(up, families.end());
        const bool read_nothing = kind == cpu_status && exit == 2;  // no PLC at the port
        EXPECT_EQ(up->samples.at(0).value, read_nothing ? 0 : 1);
        if (exit == 0) {  // what the scan read from the simulated CPU
            EXPECT_EQ(values, (std::map<int, json>{{0, 8}, {1, 0.0}, {2, 0}, {3, 0}, {4, 1}, {5, 1}}));
            EXPECT_EQ(plugin.text, "OK");
            ASSERT_GE(plugin.performance.size(), 2u);
            EXPECT_EQ(plugin.performance[0].label, "CPU Status");
            EXPECT_EQ(plugin.performance[0].value, 8);
            EXPECT_EQ(plugin.performance[1].label, "Cycle Ratio");
            EXPECT_EQ(plugin.performance[1].unit, "%");
            EXPECT_EQ(plugin.performance[1].warn, "80.0");
            EXPECT_EQ(plugin.performance[1].crit, "100.0");
            EXPECT_EQ(plugin.long_output.front(), "CPU Status: RUN (solo mode) (8) [OK]");
            EXPECT_EQ(families.front().name, "s7_cpu_status");
            for (const auto& sample : families.front().samples)
                EXPECT_EQ(sample.value, sample.labels.at("s7_cpu_status") == "RUN (solo mode)");
        } else if (kind == cpu_status && exit == 2) {
            EXPECT_TRUE(values.empty());
            EXPECT_NE(plugin.text.find("127.0.0.1"), std::string::npos)
                << "the module's reason: " << plugin.text;
        }
    }
}

const std::vector<std::string> every_format{"text", "nagios", "json", "openmetrics"};

finished_program run_host_as_given(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const interruption never;
    const int exit = run_host(arguments, out, err, never);
    return {exit, out.str(), err.str()};
}

// Reads one result in its format, by the format's own rules, and checks that it shows the state of
// the exit status and, where the format has a message, the reason.
void expect_result(const finished_program& run, const std::string& format, int exit,
                   const std::string& reason) {
    SCOPED_TRACE(format + ":\n" + run.out + run.err);
    static const std::vector<std::string> plugin_words{"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    static const std::vector<std::string> text_words{"OK", "Warning", "Error", "Unknown"};
    static const std::vector<std::string> json_words{"ok", "warning", "error", "unknown"};
    const auto at = static_cast<std::size_t>(exit);
    EXPECT_EQ(run.exit, exit);
    if (format == "nagios") {
        const auto plugin = parse_plugin_output(run.out);
        EXPECT_EQ(plugin.state, plugin_words.at(at));
        EXPECT_NE(plugin.text.find(reason), std::string::npos);
    } else if (format == "json") {
        ASSERT_EQ(std::ranges::count(run.out, '\n'), 1);
        const auto line = json::parse(run.out);
        EXPECT_EQ(line.at("state"), json_words.at(at));
        EXPECT_EQ(line.at("exit_status"), exit);
        EXPECT_NE(line.at("message").get<std::string>().find(reason), std::string::npos);
    } else if (format == "openmetrics") {
        const auto families = parse_openmetrics(run.out);
        ASSERT_FALSE(families.empty());
        EXPECT_EQ(families.back().name, "s7_state");
        ASSERT_EQ(families.back().samples.size(), json_words.size()) << "a state set: one sample per state";
        for (const auto& sample : families.back().samples)
            EXPECT_EQ(sample.value, sample.labels.at("s7_state") == json_words.at(at)) << sample.labels.at("s7_state");
    } else {
        const std::size_t end = run.out.find('\n');
        ASSERT_NE(end, std::string::npos);
        EXPECT_TRUE(run.out.substr(0, end).ends_with(": " + text_words.at(at)));
        const std::string message = "\n  Message: ";
        const std::size_t start = run.out.find(message);
        ASSERT_NE(start, std::string::npos);
        EXPECT_NE(run.out.substr(start, run.out.find('\n', start + 1) - start).find(reason),
                  std::string::npos);
    }
}

TEST(host_end_to_end, a_plc_that_cannot_be_read_is_critical_with_the_reason_in_every_format) {
    const korvel::probekit::test_support::scripted_s7_peer hung(
        korvel::probekit::test_support::peer_behaviour::silent);
    s7web_api_simulator silent_web_api(
        load_scenario_file(std::string(SCENARIOS_DIR) + "/s7_1500_standard.json"));
    silent_web_api.change([](auto& scenario) { scenario.failures.delay = std::chrono::seconds(30); });
    temporary_directory state;
    const auto s7_scan = [&](std::vector<std::string> target) {
        return plus(
            plus({"scan", cpu_status, "--rack", "0", "--slot", "2", "--state-dir", state.path().string()},
                 target),
            {"-t", "1", "--set", "connection_section.retry=noretry"});
    };
    // A label over 63 bytes cannot go into a DNS query: the resolver refuses the name without asking a server.
    const std::string unresolvable = "plc." + std::string(64, 'x') + ".invalid";
    const std::vector<std::tuple<std::string, std::vector<std::string>, std::string>> cases{
        {"refused", s7_scan({"-p", std::to_string(closed_port())}), "Connection refused"},
        {"hung", s7_scan({"-p", std::to_string(hung.port())}), "time-out of 1 s"},
        {"unresolvable", s7_scan({"-H", unresolvable}), unresolvable},
        {"silent Web API",
         {"scan", "simatic_s7_1200_1500_cpu_status_sensor", "-p", std::to_string(silent_web_api.port()), "-t",
          "1", "--state-dir", state.path().string(), "--set", "s7web_credentials_section.username=diag",
          "--set", "s7web_credentials_section.password=Diag.Pass+1", "--set",
          "shared_http_validation_section.certificate_validation=none"},
         "time-out of 1 s"},
    };
    for (const auto& [name, arguments, reason] : cases) {
        SCOPED_TRACE(name);
        for (const auto& format : every_format)
            expect_result(run_host_here(plus(arguments, {"--format", format})), format, 2, reason);
    }
    // Those who count an unreachable PLC as unknown say so.
    const auto& refused = std::get<1>(cases.front());
    expect_result(run_host_here(plus(refused, {"--format", "nagios", "--error-state", "unknown"})), "nagios",
                  3, "Connection refused");
}

TEST(host_end_to_end, every_command_line_mistake_writes_a_result_in_the_chosen_format) {
    temporary_directory state;
    const std::string kind = cpu_status;
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes{
        {{"scan", kind, "--bogus"}, "unknown option --bogus"},
        {{"scan", kind, "--count", "x"}, "--count expects a whole number of at least 0, not \"x\""},
        {{"scan", kind, "--settings", (state.path() / "missing.json").string()}, "cannot read the file"},
        {{"check", "s7web_login_check", "--count", "3"}, "--count is an option of scan, not of check"},
        {{"--format"}, ""},  // the format itself is the mistake: nothing to write it in
        {{"scan", kind, "--module", (state.path() / "missing.so").string()}, "missing.so"},
        {{"scan", kind, "--rack", "9", "--slot", "2"}, "9 is out of range"},
        {{"scan", kind, "--rack", "0", "--slot", "2", "-w", "Cycl Ratio=80", "-p",
          std::to_string(closed_port())},
         "-w Cycl Ratio: the sensor has no such channel"},
    };
    for (const auto& [arguments, reason] : mistakes) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        if (reason.empty()) {
            const auto run = run_host_here(arguments);
            EXPECT_EQ(run.exit, 3);
            continue;
        }
        for (const auto& format : every_format) {
            // The format given first, before the mistake is reached.
            // The build's module first, so that a --module among the mistakes wins.
            const auto run = run_host_as_given(plus({"--module", MODULE_PATH, "--format", format},
                                                    plus(arguments, {"--state-dir", state.path().string()})));
            expect_result(run, format, 3, reason);
            EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        }
        // Without --format, stdout stays empty: a person reads the reason on stderr.
        EXPECT_EQ(run_host_here(arguments).out, "");
    }
    // The target the arguments name labels the series, as a good run's would.
    const auto metrics = parse_openmetrics(run_host_here({"scan", kind, "--bogus", "-H", "plc-1", "--rack",
                                                          "0", "--slot", "2", "--format=openmetrics"})
                                               .out);
    for (const auto& sample : metrics.back().samples) {
        EXPECT_EQ(sample.labels.at("target"), "plc-1");
        EXPECT_EQ(sample.labels.at("kind"), kind);
    }
}

TEST(host_end_to_end, a_restart_held_for_15_minutes_is_reported_by_the_next_runs_until_the_hold_expires) {
    s7_cpu_simulator plc;
    temporary_directory state;
    const std::chrono::system_clock::time_point start{std::chrono::seconds(1'800'000'000)};
    const auto run_at = [&](std::chrono::seconds later, const std::string& format) {
        return run_host_here(
            plus(scan_of(restart_overview, plc.port(), state.path()), {"--hold", "15m", "--format", format}),
            [=] { return start + later; });
    };
    const auto restart_event = [](const finished_program& run) {
        return json::parse(run.out).at("channels").at(restart_state_channel);
    };
    const auto first = run_at(std::chrono::seconds(0), "json");
    expect_result(first, "json", 2, "OK");
    EXPECT_EQ(restart_event(first).at("value"), warm_manual);

    std::tm local{};
    const std::time_t start_seconds = std::chrono::system_clock::to_time_t(start);
    localtime_r(&start_seconds, &local);
    char since[8];
    std::strftime(since, sizeof since, "%H:%M", &local);
    const std::string held = "held since " + std::string(since) + ": Restart Event: Warm Manual";
    for (const auto later :
         {std::chrono::seconds(60), std::chrono::seconds(600), std::chrono::seconds(899)}) {
        SCOPED_TRACE(later.count());
        for (const auto& format : every_format) expect_result(run_at(later, format), format, 2, held);
        const auto line = run_at(later, "json");
        EXPECT_EQ(restart_event(line).at("value"), warm_manual);
        EXPECT_EQ(restart_event(line).at("state"), "error");
    }
    const auto released = run_at(std::chrono::seconds(900), "json");
    expect_result(released, "json", 0, "OK");
    EXPECT_EQ(restart_event(released).at("value"), no_restarts);
}

TEST(host_end_to_end, w_and_c_ranges_in_each_form_alert_outside_or_inside_as_the_form_says) {
    s7_cpu_simulator plc;  // CPU Status reads 8, RUN, which its lookup counts OK
    temporary_directory state;
    const std::vector<std::pair<std::string, bool>> ranges{
        {"10", false}, {"5", true},     {"5:", false},  {"9:", true},    {"~:10", false},
        {"~:7", true}, {"5:10", false}, {"9:10", true}, {"@5:10", true}, {"@9:10", false},
    };
    for (const auto& [range, alerts] : ranges) {
        for (const std::string option : {"-w", "-c"}) {
            SCOPED_TRACE(option + " " + range);
            const int exit = alerts ? (option == "-w" ? 1 : 2) : 0;
            const auto arguments =
                plus(scan_of(cpu_status, plc.port(), state.path()), {option, "CPU Status=" + range});
            const auto nagios = run_host_here(plus(arguments, {"--format", "nagios"}));
            expect_result(nagios, "nagios", exit, "");
            const auto plugin = parse_plugin_output(nagios.out);
            const auto& status = plugin.performance.at(0);
            EXPECT_EQ(status.label, "CPU Status");
            EXPECT_EQ(option == "-w" ? status.warn : status.crit, range);
            const auto lines = run_host_here(plus(arguments, {"--json"}));
            expect_result(lines, "json", exit, "");
            EXPECT_EQ(json::parse(lines.out).at("channels").at(0).at("state"),
                      alerts ? (option == "-w" ? "warning" : "error") : "ok");
        }
    }
}

TEST(host_end_to_end, an_unusable_default_state_directory_falls_back_to_a_private_temporary_folder) {
    s7_cpu_simulator plc;
    temporary_directory place;
    const auto not_a_home = place.path() / "plain-file";
    std::ofstream(not_a_home) << "x";
    const auto temporary = place.path() / "tmp";
    std::filesystem::create_directory(temporary);
    const auto run = [&] {
        return run_program("/usr/bin/env", {"-u", "XDG_STATE_HOME", "HOME=" + not_a_home.string(),
                                            "TMPDIR=" + temporary.string(), S7HOST_PATH, "scan",
                                            restart_overview, "-p", std::to_string(plc.port()), "--rack", "0",
                                            "--slot", "2", "--json", "--module", MODULE_PATH});
    };
    const auto fallback = temporary / ("s7host-" + std::to_string(::geteuid()));
    const std::string warning = "s7host: cannot use " + (not_a_home / ".local/state/s7host").string() +
                                ": Not a directory; keeping the state in " + fallback.string() +
                                " instead (choose a directory with --state-dir DIR)\n";
    const auto first = run();
    EXPECT_EQ(first.exit, 2) << first.out << first.err;
    EXPECT_EQ(first.err, warning) << "one line";
    const auto second = run();
    EXPECT_EQ(second.exit, 0) << "the restarts were counted once: the state was kept\n" << second.out;
    EXPECT_EQ(second.err, warning);
    EXPECT_EQ(std::filesystem::status(fallback).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);

    // A folder of that name that others may write is not used: they could have prepared it.
    std::filesystem::permissions(fallback, std::filesystem::perms::all);
    const auto refused = run();
    EXPECT_EQ(refused.exit, 3);
    EXPECT_NE(refused.err.find("is not a directory of this user's alone"), std::string::npos) << refused.err;
    EXPECT_NE(refused.out.find("\"state\":\"unknown\""), std::string::npos) << refused.out;
}

TEST(host_end_to_end, a_password_from_a_file_or_the_environment_stays_out_of_the_process_arguments) {
    s7web_api_simulator plc(load_scenario_file(std::string(SCENARIOS_DIR) + "/s7_1500_standard.json"));
    temporary_directory place;
    const std::string password = "Diag.Pass+1";
    const auto file = place.path() / "password";
    std::ofstream(file) << password << "\n";
    const std::vector<std::string> once{
        "scan",        "simatic_s7_1200_1500_cpu_status_sensor",
        "-p",          std::to_string(plc.port()),
        "--set",       "s7web_credentials_section.username=diag",
        "--set",       "shared_http_validation_section.certificate_validation=none",
        "--state-dir", place.path().string()};
    // Scans until told to stop, so that its arguments can be read while it runs.
    const auto scan = plus(plus({S7HOST_PATH}, once),
                           {"--count", "0", "--interval", "60", "--json", "--module", MODULE_PATH});
    const std::vector<std::vector<std::string>> ways{
        plus({"/usr/bin/env"},
             plus(scan, {"--set-file", "s7web_credentials_section.password=" + file.string()})),
        plus({"/usr/bin/env", "S7_PASSWORD=" + password},
             plus(scan, {"--set-env", "s7web_credentials_section.password=S7_PASSWORD"})),
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.back());
        running_program host(way.front(), std::vector<std::string>(way.begin() + 1, way.end()));
        std::string line;
        ASSERT_TRUE(host.read_line(line));
        EXPECT_EQ(json::parse(line).at("state"), "ok") << "logged in with the password: " << line;
        std::ifstream in("/proc/" + std::to_string(host.pid()) + "/cmdline");
        const std::string arguments(std::istreambuf_iterator<char>(in), {});
        EXPECT_NE(arguments.find("s7web_credentials_section.password="), std::string::npos)
            << "read s7host's";
        EXPECT_EQ(arguments.find(password), std::string::npos);
        host.send_signal(SIGTERM);
        const auto finished = host.wait();
        EXPECT_EQ(finished.err, "") << "no warning when the secret is not on the command line";
    }
    // Typed on the command line, it draws one warning that does not repeat it.
    const auto typed = run_host_here(plus(once, {"--set", "s7web_credentials_section.password=" + password}));
    EXPECT_EQ(typed.exit, 0) << typed.out;
    EXPECT_EQ(
        typed.err,
        "s7host: the secret s7web_credentials_section.password is on the command line, where every local "
        "user can read it (ps); give it with --set-file KEY=PATH or --set-env KEY=VARIABLE\n");
}

TEST(host_end_to_end, two_plcs_scanned_in_turn_with_one_kind_and_id_keep_their_own_state) {
    s7_cpu_simulator plc_a;
    s7_cpu_simulator plc_b;
    temporary_directory state;
    const auto restart_state = [&](const s7_cpu_simulator& plc) {
        const auto run = run_host_here(plus(scan_of(restart_overview, plc.port(), state.path()), {"--json"}));
        return check_json_line(json::parse(run.out), restart_overview, plc.port(), run.exit)
            .at(restart_state_channel);
    };
    EXPECT_EQ(restart_state(plc_a), warm_manual) << "A's restarts, reported";
    EXPECT_EQ(restart_state(plc_b), warm_manual) << "B's restarts, not masked by A's";
    EXPECT_EQ(restart_state(plc_a), no_restarts) << "A's restarts, reported once";
    EXPECT_EQ(restart_state(plc_b), no_restarts) << "B's restarts, reported once";
    int state_files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(state.path()))
        state_files += entry.path().extension() == ".json" ? 1 : 0;
    EXPECT_EQ(state_files, 2);
}

TEST(host_end_to_end, twenty_runs_in_parallel_on_one_state_directory_lose_nothing) {
    s7_cpu_simulator plc;
    temporary_directory state;
    constexpr int runs = 20;
    constexpr int shared_id = 99;
    std::vector<finished_program> finished(runs);
    {
        std::vector<std::thread> threads;
        for (int run = 0; run < runs; ++run) {
            // The first half are ten sensors of their own, the other half ten runs of one sensor.
            const int id = run < runs / 2 ? run + 1 : shared_id;
            threads.emplace_back([&, run, id] {
                finished[static_cast<std::size_t>(run)] =
                    run_program(S7HOST_PATH, plus(scan_of(restart_overview, plc.port(), state.path()),
                                                  // Runs of one sensor wait for each other up to the timeout:
                                                  // a busy machine must not turn waiting into a failure.
                                                  {"--id", std::to_string(id), "--json", "--set",
                                                   "timeout=60", "--module", MODULE_PATH}));
            });
        }
        for (auto& thread : threads) thread.join();
    }
    int shared_reported = 0;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        const auto& result = finished[static_cast<std::size_t>(run)];
        ASSERT_EQ(std::ranges::count(result.out, '\n'), 1) << result.out << result.err;
        const auto line = json::parse(result.out);
        EXPECT_EQ(line.at("exit_status"), result.exit);
        const int restart_state = line.at("channels").at(restart_state_channel).at("value");
        if (run < runs / 2) {
            EXPECT_EQ(restart_state, warm_manual) << "a sensor of its own sees the restarts as new";
        } else {
            shared_reported += restart_state == warm_manual ? 1 : 0;
        }
    }
    EXPECT_EQ(shared_reported, 1) << "the runs of one sensor took turns: only the first saw new restarts";

    std::set<std::string> ids;
    for (const auto& entry : std::filesystem::directory_iterator(state.path())) {
        const std::string name = entry.path().filename();
        if (name.ends_with(".lock")) continue;
        ASSERT_TRUE(name.ends_with(".json")) << "no temporary or corrupt file left: " << name;
        std::ifstream in(entry.path());
        const auto saved = json::parse(in);
        EXPECT_FALSE(saved.at("persistent_data").empty()) << name;
        EXPECT_FALSE(saved.at("channels").empty()) << name;
        ids.insert(std::to_string(saved.at("id").get<int>()));
    }
    EXPECT_EQ(ids.size(), 11u) << "every run's sensor has its state";
}

TEST(host_end_to_end,
     a_state_directory_that_cannot_be_written_ends_the_run_as_unknown_naming_path_and_reason) {
    // Below a regular file no directory can be made, even for root, whom permissions do not stop.
    temporary_directory place;
    const auto blocker = place.path() / "plain-file";
    std::ofstream(blocker) << "x";
    const auto unusable = blocker / "state";
    const std::string reason = "cannot create the state directory " + unusable.string() +
                               ": Not a directory (choose another directory with --state-dir DIR)";
    const auto text = run_host_here(scan_of(cpu_status, 102, unusable));
    EXPECT_EQ(text.exit, 3);
    EXPECT_EQ(text.err, "s7host: " + reason + "\n");
    EXPECT_EQ(text.out, "");
    const auto nagios = run_host_here(plus(scan_of(cpu_status, 102, unusable), {"--format", "nagios"}));
    EXPECT_EQ(nagios.exit, 3);
    EXPECT_EQ(nagios.out, "S7 SIMATIC_S7_300_400_CPU_STATUS_SENSOR UNKNOWN - " + reason + "\n");
}

TEST(host_end_to_end, settings_errors_name_the_setting_and_what_it_allows) {
    temporary_directory state;
    const std::string state_dir = state.path().string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"scan", cpu_status, "--rack", "0", "--slot", "2", "--set",
          "connection_section.recieve_timeout_ms=100"},
         "unknown setting \"connection_section.recieve_timeout_ms\" (from --set) for " +
             std::string(cpu_status) + "; did you mean connection_section.receive_timeout_ms? (s7host info " +
             cpu_status + " lists its settings)"},
        {{"--lang", "de", "scan", cpu_status, "--rack", "9", "--slot", "2"},
         "Setting \"Baugruppenträger (Rack)\" (connection_section.rack): 9 is out of range; allowed: 0 to 7"},
        {{"scan", cpu_status, "--rack", "0", "--slot", "2", "--set", "connection_section.retry=sometimes"},
         "Setting \"Failed Requests\" (connection_section.retry): \"sometimes\" is not one of its values; "
         "allowed: retry "
         "(Retry (default)), noretry (Do not retry)"},
        {{"scan", cpu_status, "--rack", "0"},
         "Setting \"Slot\" (connection_section.slot) is required and has no default: give it with --set "
         "connection_section.slot=VALUE (0 to 31)"},
        {{"scan", "simatic_s7_1200_1500_cpu_status_sensor", "--rack", "0"},
         "--rack: simatic_s7_1200_1500_cpu_status_sensor has no rack setting"},
        {{"scan", "simatic_s7_300_400_cpu_stauts_sensor"},
         "unknown sensor kind \"simatic_s7_300_400_cpu_stauts_sensor\"; did you mean "
         "simatic_s7_300_400_cpu_status_sensor? "
         "(s7host list shows the kinds)"},
        {{"scan", "s7web_login_check"}, "s7web_login_check is a check: use s7host check s7web_login_check"},
    };
    for (const auto& [arguments, expected] : cases) {
        const auto run = run_host_here(plus(arguments, {"--state-dir", state_dir}));
        EXPECT_EQ(run.exit, 3) << expected;
        EXPECT_EQ(run.err, "s7host: " + expected + "\n");
    }
    EXPECT_TRUE(std::filesystem::is_empty(state.path())) << "no state for a sensor that never ran";
}

TEST(host_end_to_end, info_list_help_and_version_in_any_option_order) {
    const std::string german_sensor = "SIMATIC S7-300/400 CPU-Status [simatic_s7_300_400_cpu_status_sensor]";
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases{
        {{"info", "--lang", "de"}, {"Überwachungsmodul", german_sensor, "German             221 keys"}},
        {{"--lang", "de", "info"}, {"Überwachungsmodul", german_sensor, "noretry (Nicht wiederholen)"}},
        {{"info", cpu_status, "--lang", "de", "--set",
          "simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms=100"},
         {german_sensor, "Baugruppenträger (Rack)", "connection_section.rack", "0 to 7", "Base settings",
          "timeout", "CPU-Status", "channel.cpu_status", "lookup cpu_status",
          "warning from 80.0 until below 70.0, error from 100.0", "Lookup cpu_status:", "RUN (solo mode)"}},
        {{"--lang=ja", "list"},
         {"simatic_s7_300_400_cpu_status_sensor", "sensor", "s7web_login_check", "check"}},
        {{"help", "scan"}, {"usage: s7host scan KIND [OPTIONS]", "--count N"}},
        {{"--help"}, {"usage: s7host COMMAND", "info [KIND]"}},
        {{"--version"},
         {"s7host 1.21.0\nmodule 1.21.0.22799, API level 6, ", "\nsnap7 1.4.0 (node-snap7 1.0.9 with ",
          "\nlibcurl "}},
    };
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        const auto run = run_host_here(arguments);
        EXPECT_EQ(run.exit, 0) << run.err;
        EXPECT_EQ(run.err, "");
        for (const auto& text : expected)
            EXPECT_NE(run.out.find(text), std::string::npos) << text << "\n" << run.out;
    }
    EXPECT_EQ(std::ranges::count(run_host_here({"list"}).out, '\n'), 7) << "six sensors and the check";

    // Every kind, the Web API ones too, though their credentials have empty defaults.
    const auto all = json::parse(run_host_here({"info", "--json"}).out).at("kinds");
    ASSERT_EQ(all.size(), 7u);
    const auto web_cpu = std::ranges::find_if(
        all, [](const json& k) { return k.at("kind") == "simatic_s7_1200_1500_cpu_status_sensor"; });
    ASSERT_NE(web_cpu, all.end());
    EXPECT_FALSE(web_cpu->at("channels").empty());
    const auto kind = json::parse(run_host_here({"info", cpu_status, "--json"}).out).at("kind");
    EXPECT_EQ(kind.at("type"), "sensor");
    const auto rack = std::ranges::find_if(
        kind.at("settings"), [](const json& s) { return s.at("key") == "connection_section.rack"; });
    ASSERT_NE(rack, kind.at("settings").end());
    EXPECT_EQ(*rack, json({{"key", "connection_section.rack"},
                           {"label", "Rack"},
                           {"type", "integer"},
                           {"required", true},
                           {"default", nullptr},
                           {"minimum", 0},
                           {"maximum", 7},
                           {"options", json::array()}}));
    const auto& status = kind.at("channels").at(0);
    EXPECT_EQ(status.at("key"), "channel.cpu_status");
    EXPECT_EQ(status.at("lookup"), "cpu_status");
    EXPECT_EQ(status.at("lookup_values").size(), 16u);

    // The environment picks the language when --lang does not.
    const auto german =
        run_program("/usr/bin/env", {"LC_ALL=de_DE.UTF-8", S7HOST_PATH, "list", "--module", MODULE_PATH});
    EXPECT_NE(german.out.find("SIMATIC S7-300/400 CPU-Status"), std::string::npos) << german.out;
}

TEST(host_end_to_end, info_hides_the_host_s_own_settings_unless_all_and_shows_every_channel_s_limits) {
    const std::string web_kind = "simatic_s7_1200_1500_cpu_status_sensor";
    const auto shown = run_host_here({"info", web_kind});
    EXPECT_EQ(shown.exit, 0) << shown.err;
    const auto all = run_host_here({"info", web_kind, "--all"});
    for (const std::string hidden : {"korvelcloudapikey", "httpproxy.password", "invisible"}) {
        EXPECT_EQ(shown.out.find(hidden), std::string::npos) << hidden;
        EXPECT_NE(all.out.find(hidden), std::string::npos) << hidden;
    }
    const auto keys = [](const finished_program& run) {
        const auto description = json::parse(run.out);
        std::set<std::string> found;
        for (const auto& setting : description.at("kind").at("settings"))
            found.insert(setting.at("key").get<std::string>());
        return found;
    };
    EXPECT_FALSE(keys(run_host_here({"info", web_kind, "--json"})).contains("korvelcloudapikey"));
    EXPECT_TRUE(keys(run_host_here({"info", web_kind, "--json", "--all"})).contains("korvelcloudapikey"));

    const auto limits = run_host_here({"info", cpu_status, "--set",
                                       "simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms=100",
                                       "-w", "Cycle Ratio=@10:20", "-c", "ob1_cycle_time_max=50"});
    for (const std::string expected : {"error from 100.0, warning inside @10:20 (-w)",
                                       "error outside 50 (-c)", "none; the lookup's states"})
        EXPECT_NE(limits.out.find(expected), std::string::npos) << expected << "\n" << limits.out;

    const auto misspelt = run_host_here({"info", "s7web_login_chek"});
    EXPECT_EQ(misspelt.exit, 3);
    EXPECT_EQ(misspelt.err,
              "s7host: unknown kind \"s7web_login_chek\"; did you mean s7web_login_check? (s7host list "
              "shows the kinds)\n");
}

TEST(host_end_to_end, v_writes_the_sensor_s_log_to_stderr_and_vv_the_module_s_too) {
    s7_cpu_simulator plc;
    temporary_directory state;
    const auto arguments = plus(scan_of(cpu_status, plc.port(), state.path()), {"--format", "nagios"});
    const auto quiet = run_host_here(arguments);
    const auto verbose = run_host_here(plus(arguments, {"-v"}));
    const auto very = run_host_here(plus(arguments, {"-vv"}));
    EXPECT_EQ(quiet.err, "");
    EXPECT_NE(verbose.err.find("s7host: sensor-1: "), std::string::npos) << verbose.err;
    EXPECT_EQ(verbose.err.find("s7host: module: "), std::string::npos) << verbose.err;
    EXPECT_NE(very.err.find("s7host: module: "), std::string::npos) << very.err;
    for (const auto* run : {&verbose, &very}) {
        EXPECT_EQ(run->exit, 0);
        // The result alone on stdout: a log line there would be one more line of long output.
        EXPECT_EQ(parse_plugin_output(run->out).long_output.size(),
                  parse_plugin_output(quiet.out).long_output.size());
    }
}

TEST(host_end_to_end, lang_translates_s7host_s_own_words_and_help_lists_the_languages) {
    temporary_directory state;
    const auto german =
        run_host_here({"--lang", "de", "scan", cpu_status, "-p", std::to_string(closed_port()), "--rack", "0",
                       "--slot", "2", "--state-dir", state.path().string(), "--format", "text"});
    EXPECT_EQ(german.exit, 2);
    EXPECT_NE(german.out.find(" um "), std::string::npos) << german.out;
    EXPECT_NE(german.out.find(": Fehler\n  Meldung: Verbindung zu 127.0.0.1:"), std::string::npos)
        << german.out;
    s7_cpu_simulator plc;
    const auto table = run_host_here(plus(scan_of(cpu_status, plc.port(), state.path()), {"--lang", "fr"}));
    EXPECT_NE(table.out.find("  Canal "), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("  Valeur "), std::string::npos) << table.out;
    EXPECT_NE(table.out.find("  État\n"), std::string::npos) << table.out;
    const auto info = run_host_here({"info", cpu_status, "--lang", "de"});
    EXPECT_NE(info.out.find("      Id  Name "), std::string::npos) << info.out;
    EXPECT_NE(info.out.find(" Schlüssel "), std::string::npos);
    EXPECT_NE(info.out.find(" Einheit "), std::string::npos);
    EXPECT_NE(info.out.find(" Grenzwerte\n"), std::string::npos);
    EXPECT_NE(info.out.find(" Warnung\n"), std::string::npos) << "a lookup entry's state";
    const auto help = run_host_here({"scan", "--help"});
    EXPECT_NE(help.out.find("German (de)"), std::string::npos);
    EXPECT_NE(help.out.find("SimplifiedChinese (zh-CN)"), std::string::npos);
    EXPECT_NE(help.out.find("Brazilian (pt-BR)"), std::string::npos);
}

TEST(host_end_to_end,
     a_signal_ends_an_endless_run_after_the_scan_with_every_scan_written_and_the_state_saved) {
    s7_cpu_simulator plc;
    for (const int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal);
        temporary_directory state;
        running_program host(S7HOST_PATH,
                             plus(scan_of(cpu_status, plc.port(), state.path()),
                                  {"--count", "0", "--interval", "0", "--json", "--module", MODULE_PATH}));
        std::vector<std::string> lines(2);
        // Reading while the run goes on: each scan is flushed into the pipe as it ends.
        for (auto& line : lines) ASSERT_TRUE(host.read_line(line));
        host.send_signal(signal);
        for (std::string line; host.read_line(line);) lines.push_back(line);
        EXPECT_EQ(host.wait().exit, 0) << "the state of the last scan";
        for (std::size_t index = 0; index < lines.size(); ++index) {
            const auto line = json::parse(lines[index]);
            EXPECT_EQ(line.at("scan"), static_cast<int>(index) + 1);
            EXPECT_EQ(line.at("state"), "ok");
        }
        int saved = 0;
        for (const auto& entry : std::filesystem::directory_iterator(state.path())) {
            if (entry.path().extension() != ".json") continue;
            std::ifstream in(entry.path());
            EXPECT_EQ(json::parse(in).at("channels").size(), 6u);
            ++saved;
        }
        EXPECT_EQ(saved, 1);
    }
}

TEST(host_end_to_end, web_api_channel_ids_survive_a_restart_of_the_host_through_its_state_file) {
    s7web_api_simulator plc(load_scenario_file(std::string(SCENARIOS_DIR) + "/s7_1500_standard.json"));
    temporary_directory state;
    // Each run is a new host process's module: only the state file carries the ids over.
    const auto channel_ids = [&] {
        const auto run = run_host_here(
            {"scan", "simatic_s7_1200_1500_hardware_status_sensor", "--port", std::to_string(plc.port()),
             "--state-dir", state.path().string(), "--set", "s7web_credentials_section.username=diag",
             "--set", "s7web_credentials_section.password=Diag.Pass+1", "--set",
             "shared_http_validation_section.certificate_validation=none", "--json"});
        EXPECT_EQ(run.exit, 0) << run.err << run.out;
        const json line = json::parse(run.out);
        std::map<std::string, int> ids;
        for (const auto& channel : line.at("channels")) ids[channel.at("name")] = channel.at("id");
        return ids;
    };
    const auto first = channel_ids();
    ASSERT_EQ(first.size(), 4u) << "the fault count, the station and its two IO modules";

    // The first IO module leaves the rack and another comes in: the others keep their ids and the
    // newcomer takes the next one, not the free one.
    plc.change([](auto& scenario) {
        auto& modules = scenario.hardware.at(0).children;
        modules.erase(modules.begin() + 1);
        auto& added = modules.emplace_back();
        added.hwid = 259;
        added.name = "AI 8xU/I HF_1";
        added.type = "module";
        added.subtype = "io_module";
    });
    auto expected = first;
    expected.erase("DI 32x24VDC HF_1 Status");
    expected["AI 8xU/I HF_1 Status"] = 4;
    EXPECT_EQ(channel_ids(), expected);
}

TEST(host_end_to_end, a_failed_login_check_shows_the_reason_the_module_logs) {
    s7web_api_simulator plc(load_scenario_file(std::string(SCENARIOS_DIR) + "/s7_1500_standard.json"));
    const auto check = [&](const std::string& password, const std::string& logging) {
        return run_host_here(
            {"check", "s7web_login_check", "--port", std::to_string(plc.port()), "--set",
             "s7web_credentials_section.username=diag", "--set",
             "s7web_credentials_section.password=" + password, "--set", "logging=" + logging,
             // Taken, so one command definition serves scan and check; a check keeps no state.
             "--format", "nagios", "--state-dir", "/nonexistent/s7host-state"});
    };
    const auto passed = check("Diag.Pass+1", "disabled");
    EXPECT_EQ(passed.exit, 0) << passed.err;
    EXPECT_EQ(passed.out, "S7 S7WEB_LOGIN_CHECK OK - OK\n");

    const auto refused = check("wrong", "enabled");
    EXPECT_EQ(refused.exit, 2) << refused.err;
    EXPECT_EQ(refused.out,
              "S7 S7WEB_LOGIN_CHECK CRITICAL - The user name or password are invalid. (Api.Login error 100: the "
              "controller refused the user name or password)\n");
    // Without its log the check can only say that it failed, and how to learn why.
    const auto silent = check("wrong", "disabled");
    EXPECT_EQ(silent.exit, 2);
    EXPECT_NE(silent.out.find("--set logging=enabled"), std::string::npos) << silent.out;
}

TEST(host_end_to_end, demo_shows_the_three_sensors_and_counts_restarts_once) {
    const auto demo = run_host_here({"demo"});
    EXPECT_EQ(demo.exit, 0) << demo.err;
    for (const std::string expected : {"== CPU status, CPU switched to STOP ==", "STOP (internal) (4)",
                                       "== LED status ==", "Warm Manual (7)", "No Restarts (1)"}) {
        EXPECT_NE(demo.out.find(expected), std::string::npos) << expected << "\n" << demo.out;
    }
}

// ---- the README's recipes, run as written ----------------------------------------------------------

std::string readme() {
    std::ifstream in(README_PATH);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The README's lines that start (after their indentation) with `prefix`, without it.
std::vector<std::string> readme_lines(const std::string& prefix) {
    std::vector<std::string> found;
    std::istringstream in(readme());
    for (std::string line; std::getline(in, line);) {
        const std::size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, prefix.size(), prefix) == 0)
            found.push_back(line.substr(start + prefix.size()));
    }
    return found;
}

std::string replaced_all(std::string text,
                         const std::vector<std::pair<std::string, std::string>>& replacements) {
    for (const auto& [from, to] : replacements) {
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
            text.replace(at, from.size(), to);
    }
    return text;
}

// Split at blanks, as Nagios does for a command line without shell characters.
std::vector<std::string> words_of(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

TEST(readme_recipes, the_nagios_commands_run_as_written_and_hold_a_restart) {
    s7_cpu_simulator plc1;
    s7web_api_simulator plc2(load_scenario_file(std::string(SCENARIOS_DIR) + "/s7_1500_standard.json"));
    temporary_directory place;
    std::filesystem::create_directory(place.path() / "etc");
    std::ofstream(place.path() / "etc" / "plc2.password") << "Diag.Pass+1\n";
    const std::vector<std::pair<std::string, std::string>> installation{
        {"/opt/s7/build/host/s7host", S7HOST_PATH},
        {"/var/lib/nagios/s7host", (place.path() / "state").string()},
        {"/etc/nagios/s7host", (place.path() / "etc").string()},
        {"$HOSTADDRESS$", "127.0.0.1"}};

    std::map<std::string, std::string> commands;
    const auto names = readme_lines("command_name  ");
    const auto lines = readme_lines("command_line  ");
    ASSERT_EQ(names.size(), lines.size());
    for (std::size_t index = 0; index < names.size(); ++index) commands[names[index]] = lines[index];
    const auto hosts = readme_lines("host_name            ");
    const auto services = readme_lines("check_command        ");
    ASSERT_EQ(services.size(), 2u);
    ASSERT_EQ(hosts.size(), services.size());
    const std::map<std::string, std::uint16_t> ports{{"plc1", plc1.port()}, {"plc2", plc2.port()}};

    const auto check = [&](std::size_t service) {
        std::vector<std::string> call;
        std::istringstream split(services[service]);
        for (std::string part; std::getline(split, part, '!');) call.push_back(part);
        auto line = replaced_all(commands.at(call.front()), installation);
        for (std::size_t argument = 1; argument < call.size(); ++argument)
            line = replaced_all(line, {{"$ARG" + std::to_string(argument) + "$", call[argument]}});
        line = replaced_all(line, {{"$HOSTNAME$", hosts[service]}});
        auto words = words_of(line);
        // The simulators listen where the system gives them a port, not on the PLCs' own.
        words.insert(words.end(), {"-p", std::to_string(ports.at(hosts[service]))});
        return run_program(words.front(), std::vector<std::string>(words.begin() + 1, words.end()));
    };
    const auto restarts = check(0);
    expect_result(restarts, "nagios", 2, "Restart Event: Warm Manual");
    const auto retry = check(0);  // Nagios's retry, minutes later: the restart is still there to see
    expect_result(retry, "nagios", 2, ": Restart Event: Warm Manual");
    EXPECT_NE(parse_plugin_output(retry.out).text.find("held since "), std::string::npos) << retry.out;

    const auto web = check(1);
    expect_result(web, "nagios", 0, "");
    EXPECT_EQ(web.err, "") << "the password came from its file, not the command line";
}

TEST(readme_recipes, the_cron_line_and_the_textfile_timer_run_as_written) {
    s7_cpu_simulator plc;
    temporary_directory place;
    const auto cron = readme_lines("* * * * *  s7mon  ");
    ASSERT_EQ(cron.size(), 1u);
    const std::string cron_command = cron.front().substr(0, cron.front().find(" >>"));
    const auto words = words_of(replaced_all(cron_command, {{"/opt/s7/build/host/s7host", S7HOST_PATH},
                                                            {"10.0.0.5", "127.0.0.1"},
                                                            {"/var/lib/s7host", place.path().string()}}));
    const auto scanned = run_program(
        words.front(),
        plus(std::vector<std::string>(words.begin() + 1, words.end()), {"-p", std::to_string(plc.port())}));
    expect_result(scanned, "json", 2, "OK");

    const auto exec = readme_lines("ExecStart=/bin/sh -c '");
    ASSERT_EQ(exec.size(), 1u);
    const auto textfile = place.path() / "textfile";
    std::filesystem::create_directory(textfile);
    const auto settings = place.path() / "plc1.json";
    std::ofstream(settings) << json{
        {"host", "127.0.0.1"},
        {"connection_section.port", plc.port()},
        {"connection_section.rack", 0},
        {"connection_section.slot",
         2}}.dump();
    const std::string script = replaced_all(exec.front().substr(0, exec.front().rfind('\'')),
                                            {{"/var/lib/node_exporter/textfile", textfile.string()},
                                             {"/opt/s7/build/host/s7host", S7HOST_PATH},
                                             {"/etc/s7host/plc1.json", settings.string()}});
    const auto run_timer = [&] {
        return run_program("/usr/bin/env",
                           {"STATE_DIRECTORY=" + (place.path() / "state").string(), "/bin/sh", "-c", script});
    };
    const auto prom = [&] {
        std::ifstream in(textfile / "plc1-cpu.prom");
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    // The classic text format: the state set's sample of the state that holds is 1.
    const auto state_is = [&](const std::string& state) {
        const std::string sample = "s7_state{target=\"127.0.0.1:" + std::to_string(plc.port()) + "\",kind=\"" +
                                   cpu_status + "\",s7_state=\"" + state + "\"} 1\n";
        return prom().find(sample) != std::string::npos;
    };
    const auto up = run_timer();
    EXPECT_EQ(up.exit, 0) << up.err;
    EXPECT_TRUE(state_is("ok")) << prom();

    // The settings file gone: the file still says why, with the state unknown, instead of being empty.
    std::filesystem::remove(settings);
    const auto broken = run_timer();
    EXPECT_NE(broken.err.find("cannot read the file"), std::string::npos) << broken.err;
    EXPECT_NE(prom().find(std::string("kind=\"") + cpu_status + "\",s7_state=\"unknown\"} 1\n"), std::string::npos)
        << prom();
    EXPECT_EQ(std::vector<std::string>{"plc1-cpu.prom"}, [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(textfile))
            names.push_back(entry.path().filename());
        return names;
    }()) << "no half-written file left beside it";
}

TEST(s7sim, arguments_help_port_and_stop) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> refusals{
        {{"--port", "x"}, "s7sim: --port expects a port number from 1 to 65535, not \"x\"\n"},
        {{"--port"}, "s7sim: --port needs a value (a port number)\n"},
        {{"102"}, "s7sim: unknown argument \"102\" (a port is given as --port 102)\n"},
    };
    for (const auto& [arguments, message] : refusals) {
        const auto run = run_program(S7SIM_PATH, arguments);
        EXPECT_EQ(run.exit, 2) << message;
        EXPECT_TRUE(run.err.starts_with(message)) << run.err;
        EXPECT_NE(run.err.find("usage: s7sim"), std::string::npos);
    }
    const auto help = run_program(S7SIM_PATH, {"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_TRUE(help.out.starts_with("usage: s7sim [--port N] [--stop]\n")) << help.out;

    const std::uint16_t port = closed_port();
    running_program simulator(S7SIM_PATH, {"--stop", "--port", std::to_string(port)});
    std::string first_line;
    ASSERT_TRUE(simulator.read_line(first_line));
    EXPECT_EQ(first_line, std::to_string(port));
    temporary_directory state;
    const auto scan = run_host_here(plus(scan_of(cpu_status, port, state.path()), {"--format", "nagios"}));
    EXPECT_EQ(scan.exit, 1) << scan.out << scan.err;
    EXPECT_TRUE(scan.out.starts_with(
        "S7 SIMATIC_S7_300_400_CPU_STATUS_SENSOR WARNING - CPU Status: STOP (internal) |"))
        << scan.out;
    simulator.send_signal(SIGTERM);
    EXPECT_EQ(simulator.wait().exit, 0);
}

}  // namespace
