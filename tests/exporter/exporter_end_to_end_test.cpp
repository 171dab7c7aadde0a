// s7host serve as a program, scraped over HTTP, against snap7's server as the S7-300 CPU and the
// simulated S7-1500 Web API over HTTPS: what a scrape answers, what it keeps between scrapes, how a
// hung PLC is bounded, and what survives a restart and a reload.

#include <httplib.h>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <future>
#include <thread>

#include "host/cli/json.hpp"
#include "simulators/https_server/raw_test_servers.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"
#include "tests/host/child_process.hpp"
#include "tests/host/format_parsers.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit;
using namespace korvel::probekit::host::test_support;
using korvel::probekit::host::json;

const std::vector<std::pair<std::string, std::string>> profiles{
    {"cpu", "simatic_s7_300_400_cpu_status_sensor"},
    {"leds", "simatic_s7_300_400_led_status_sensor"},
    {"restarts", "simatic_s7_300_400_cpu_restart_overview_sensor"},
    {"web_cpu", "simatic_s7_1200_1500_cpu_status_sensor"},
    {"web_alarms", "simatic_s7_1200_1500_alarm_status_sensor"},
    {"web_hardware", "simatic_s7_1200_1500_hardware_status_sensor"},
};

std::string config_text(const std::vector<std::pair<std::string, std::uint16_t>>& s7_targets, std::uint16_t web_port) {
    std::string text = "targets:\n";
    for (const auto& [name, port] : s7_targets)
        text += "  " + name + ":\n    host: 127.0.0.1\n    port: " + std::to_string(port) + "\n    rack: 0\n    slot: 2\n";
    if (web_port != 0) {
        text += "  plant:\n    host: 127.0.0.1\n    port: " + std::to_string(web_port) +
                "\n    username: diag\n    password_env: S7HOST_TEST_PLANT_PASSWORD\n"
                "    settings:\n      shared_http_validation_section.certificate_validation: none\n";
    }
    text += "profiles:\n";
    for (const auto& [name, kind] : profiles) text += "  " + name + ":\n    kind: " + kind + "\n";
    text += "  restarts_held:\n    kind: " + profiles[2].second + "\n    hold: 15m\n";
    return text;
}

std::vector<std::string> plus(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

// The exporter as a child process, listening on a free port it prints first.
class exporter {
public:
    exporter(const std::filesystem::path& config, const std::filesystem::path& state,
             const std::vector<std::string>& more = {})
        : program_(S7HOST_PATH, plus({"serve", "--listen", "127.0.0.1:0", "--config", config.string(), "--state-dir",
                                      state.string(), "--module", MODULE_PATH},
                                     more)) {
        std::string line;
        if (!program_.read_line(line)) throw std::runtime_error("serve printed nothing: " + program_.wait().err);
        port_ = std::stoi(line.substr(line.rfind(':') + 1));
    }

    httplib::Result get(const std::string& path, const httplib::Headers& headers = {}) const {
        httplib::Client client("127.0.0.1", port_);
        client.set_read_timeout(30, 0);
        return client.Get(path, headers);
    }

    std::string scrape(const std::string& query, bool openmetrics, const std::string& timeout = "") const {
        httplib::Headers headers;
        if (openmetrics) headers.emplace("Accept", "application/openmetrics-text;version=1.0.0,text/plain;q=0.5");
        if (!timeout.empty()) headers.emplace("X-Prometheus-Scrape-Timeout-Seconds", timeout);
        const auto answer = get("/probe?" + query, headers);
        if (!answer || answer->status != 200)
            throw std::runtime_error("/probe?" + query + ": " + (answer ? answer->body : "no answer"));
        return answer->body;
    }

    finished_program stop(int signal = SIGTERM) {
        program_.send_signal(signal);
        return program_.wait();
    }

    void send_signal(int signal) { program_.send_signal(signal); }

private:
    running_program program_;
    int port_ = 0;
};

double sample_value(const std::vector<metric_family>& families, const std::string& family,
                    const std::map<std::string, std::string>& some_labels = {}) {
    for (const auto& candidate : families) {
        if (candidate.name != family) continue;
        for (const auto& sample : candidate.samples) {
            if (std::ranges::all_of(some_labels, [&](const auto& label) {
                    const auto found = sample.labels.find(label.first);
                    return found != sample.labels.end() && found->second == label.second;
                }))
                return sample.value;
        }
    }
    throw std::runtime_error("no sample of " + family);
}

// The exporter's own metrics in the classic format, value by line start; `absent` for a series not
// there (yet).
double own_metric(const exporter& running, const std::string& line_start,
                  std::optional<double> absent = std::nullopt) {
    const auto answer = running.get("/metrics");
    if (!answer) throw std::runtime_error("/metrics did not answer");
    std::istringstream lines(answer->body);
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(line_start + " ")) return std::stod(line.substr(line_start.size() + 1));
    }
    if (absent) return *absent;
    throw std::runtime_error("no " + line_start + " in /metrics:\n" + answer->body);
}

finished_program promtool_check(const std::filesystem::path& directory, const std::string& text) {
    const auto file = directory / "scrape.prom";
    std::ofstream(file) << text;
    return run_program("/bin/sh", {"-c", std::string(PROMTOOL_PATH) + " check metrics < " + file.string()});
}

struct plant_fixture {
    simulators::s7_cpu_simulator plc;
    simulators::s7web_api_simulator plant{simulators::load_scenario_file(SCENARIOS_DIR "/plant_deep_hardware.json")};
    temporary_directory directory;
    std::filesystem::path config = directory.path() / "serve.yml";
    std::filesystem::path state = directory.path() / "state";

    plant_fixture() {
        ::setenv("S7HOST_TEST_PLANT_PASSWORD", "Diag.Pass+1", 1);  // the child inherits it
        std::ofstream(config) << config_text({{"press", plc.port()}}, plant.port());
    }
};

TEST(serve, a_probe_of_every_kind_is_valid_openmetrics_and_passes_promtool_without_a_warning) {
    plant_fixture fixture;
    exporter running(fixture.config, fixture.state);
    for (const auto& [profile, kind] : profiles) {
        SCOPED_TRACE(profile);
        const std::string query = std::string(profile.starts_with("web") ? "target=plant" : "target=press") +
                                  "&profile=" + profile;
        const auto families = parse_openmetrics(running.scrape(query, true));
        EXPECT_EQ(sample_value(families, "s7_up", {{"target", profile.starts_with("web") ? "plant" : "press"},
                                                   {"kind", kind}}),
                  1);
        const auto checked = promtool_check(fixture.directory.path(), running.scrape(query, false));
        EXPECT_EQ(checked.exit, 0) << checked.err;
        EXPECT_EQ(checked.out + checked.err, "") << "no lint warning";
    }
    // Without configuration: the target as HOST:PORT, the kind and its settings as parameters.
    const auto families = parse_openmetrics(running.scrape(
        "target=127.0.0.1:" + std::to_string(fixture.plc.port()) + "&kind=" + profiles[0].second + "&rack=0&slot=2", true));
    EXPECT_EQ(sample_value(families, "s7_cpu_status", {{"s7_cpu_status", "RUN (solo mode)"}}), 1);
    const auto own = running.get("/metrics");
    ASSERT_TRUE(own);
    const auto checked = promtool_check(fixture.directory.path(), own->body);
    EXPECT_EQ(checked.out + checked.err, "") << own->body;
    EXPECT_EQ(running.get("/-/healthy")->status, 200);
}

// node_exporter's textfile collector reads what promtool reads.
TEST(textfile, scan_format_prometheus_passes_promtool_without_a_warning) {
    simulators::s7_cpu_simulator plc;
    temporary_directory directory;
    for (const auto& [profile, kind] : profiles) {
        if (profile.starts_with("web")) continue;
        const auto scan = run_program(S7HOST_PATH, {"scan", kind, "--module", MODULE_PATH, "--port", std::to_string(plc.port()),
                                                    "--rack", "0", "--slot", "2", "--state-dir", directory.path().string(),
                                                    "--format", "prometheus"});
        EXPECT_NE(scan.out.find("\ns7_up{"), std::string::npos) << scan.out << scan.err;
        const auto checked = promtool_check(directory.path(), scan.out);
        EXPECT_EQ(checked.out + checked.err, "") << kind << "\n" << scan.out;
    }
}

TEST(serve, refuses_what_a_probe_cannot_name_without_scanning) {
    plant_fixture fixture;
    exporter running(fixture.config, fixture.state);
    const std::vector<std::pair<std::string, std::string>> cases{
        {"profile=cpu", "target is missing"},
        {"target=press", "profile (or kind) is missing"},
        {"target=press&profile=cpuu", "did you mean cpu"},
        {"target=press&profile=cpu&kind=" + profiles[0].second, "not both"},
        {"target=plant&profile=web_cpu&s7web_credentials_section.password=x", "is a secret"},
        {"target=press&profile=cpu&connection_section.rackk=1", "connection_section.rack"},
    };
    for (const auto& [query, reason] : cases) {
        const auto answer = running.get("/probe?" + query);
        ASSERT_TRUE(answer) << query;
        EXPECT_EQ(answer->status, 400) << query;
        EXPECT_NE(answer->body.find(reason), std::string::npos) << query << ": " << answer->body;
    }
    EXPECT_EQ(fixture.plc.client_count(), 0) << "nothing was scanned";
}

TEST(serve, scrapes_share_one_s7_link_and_one_web_api_client_from_first_to_last) {
    plant_fixture fixture;
    exporter running(fixture.config, fixture.state);
    for (int scrape = 0; scrape < 100; ++scrape) running.scrape("target=press&profile=cpu", false);
    // Two sensors of one user share a client, and with it one session.
    for (int scrape = 0; scrape < 50; ++scrape) {
        running.scrape("target=plant&profile=web_cpu", false);
        running.scrape("target=plant&profile=web_alarms", false);
    }
    EXPECT_EQ(fixture.plc.client_count(), 1);
    EXPECT_EQ(fixture.plant.tcp_connections(), 1u) << "one kept-alive connection for 100 scans";
    EXPECT_EQ(fixture.plant.logins(), 1u) << "one session for 100 scans";
    EXPECT_EQ(own_metric(running, "s7host_s7_links"), 1);
    EXPECT_EQ(own_metric(running, "s7host_web_api_clients"), 1);
    EXPECT_EQ(own_metric(running, "s7host_web_api_sessions"), 1);
    EXPECT_EQ(own_metric(running, "s7host_sensors"), 3);
    EXPECT_EQ(own_metric(running, "s7host_sensors_created_total"), 3) << "each kept from its first scrape on";
    EXPECT_EQ(own_metric(running, "s7host_scans_total{kind=\"simatic_s7_300_400_cpu_status_sensor\"}"), 100);

    const auto ended = running.stop();
    EXPECT_EQ(ended.exit, 0) << ended.err;
    EXPECT_EQ(ended.err, "") << "a clean end";
    EXPECT_EQ(fixture.plc.client_count(), 0);
    EXPECT_EQ(fixture.plant.live_sessions(), 0u) << "logged out at the end";
}

TEST(serve, a_hung_plc_fails_within_the_scrape_timeout_while_another_plc_keeps_answering) {
    plant_fixture fixture;
    simulators::silent_server hung;
    exporter running(fixture.config, fixture.state);
    const std::string hung_query =
        "target=127.0.0.1:" + std::to_string(hung.port()) + "&kind=" + profiles[0].second + "&rack=0&slot=2";
    const auto started = std::chrono::steady_clock::now();
    // A 3 s scrape: the module gets the whole 2 s left after the margin.
    auto hung_scrape = std::async(std::launch::async, [&] { return running.scrape(hung_query, true, "3"); });
    int answered = 0;
    while (hung_scrape.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
        const auto families = parse_openmetrics(running.scrape("target=press&profile=cpu", true, "3"));
        EXPECT_EQ(sample_value(families, "s7_up"), 1);
        ++answered;
    }
    const auto families = parse_openmetrics(hung_scrape.get());
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    // The scan's own deadline is the scrape's 3 s less the 0.5 s margin; the margin is what the HTTP
    // exchange may take, also when a sanitizer slows it down.
    EXPECT_LE(took.count(), 3.0 + 0.5) << "the scan ends within the scrape's timeout";
    EXPECT_GE(took.count(), 2.0) << "and not before the whole seconds the module was given";
    EXPECT_EQ(sample_value(families, "s7_up"), 0);
    EXPECT_EQ(sample_value(families, "s7_scan_error"), 1);
    EXPECT_GE(answered, 2) << "the healthy PLC answered while the hung one held its scrape";
}

std::map<std::string, std::string> persistent_data_of(const std::filesystem::path& state, const std::string& kind) {
    for (const auto& entry : std::filesystem::directory_iterator(state)) {
        const auto name = entry.path().filename().string();
        if (name.starts_with(kind) && name.ends_with(".json"))
            return json::parse(std::ifstream(entry.path())).at("persistent_data").get<std::map<std::string, std::string>>();
    }
    return {};
}

// A restart is an error for the one scan that sees it; a profile's hold keeps it in the scrapes after.
TEST(serve, a_profile_with_a_hold_reports_a_restart_in_the_scrapes_that_follow) {
    plant_fixture fixture;
    exporter running(fixture.config, fixture.state);
    const auto state_is_error = [&](const std::string& profile) {
        return sample_value(parse_openmetrics(running.scrape("target=press&profile=" + profile, true)), "s7_state",
                            {{"s7_state", "error"}});
    };
    EXPECT_EQ(state_is_error("restarts"), 1);
    EXPECT_EQ(state_is_error("restarts"), 0) << "without a hold: seen once";
    EXPECT_EQ(state_is_error("restarts_held"), 1);
    EXPECT_EQ(state_is_error("restarts_held"), 1) << "held";
    EXPECT_EQ(state_is_error("restarts_held"), 1) << "still held";
}

TEST(serve, a_restart_of_the_exporter_keeps_restart_totals_and_channel_ids) {
    plant_fixture fixture;
    std::map<std::string, std::string> hardware_ids;
    for (int run = 1; run <= 2; ++run) {
        SCOPED_TRACE("run " + std::to_string(run));
        exporter running(fixture.config, fixture.state);
        const auto restarts = parse_openmetrics(running.scrape("target=press&profile=restarts", true));
        EXPECT_EQ(sample_value(restarts, "s7_restarts", {{"kind", profiles[2].second}}), 3)
            << "the three restarts in the buffer, counted once over both runs";
        running.scrape("target=plant&profile=web_hardware", true);
        const auto ids = persistent_data_of(fixture.state, profiles[5].second);
        EXPECT_GT(ids.size(), 20u);
        if (run == 1) hardware_ids = ids;
        else EXPECT_EQ(ids, hardware_ids) << "each module keeps its channel id, no new ids";
        EXPECT_EQ(running.stop().exit, 0);
    }
}

TEST(serve, beyond_its_most_sensors_the_least_recently_scraped_sensor_goes_and_its_state_stays) {
    plant_fixture fixture;
    exporter running(fixture.config, fixture.state, {"--max-sensors", "2"});
    const auto restarts = [&] {
        return sample_value(parse_openmetrics(running.scrape("target=press&profile=restarts", true)), "s7_restarts");
    };
    EXPECT_EQ(restarts(), 3);
    running.scrape("target=press&profile=cpu", true);
    running.scrape("target=press&profile=leds", true);  // takes the place of restarts, scraped longest ago
    EXPECT_EQ(own_metric(running, "s7host_sensors"), 2);
    running.scrape("target=press&profile=leds", true);
    EXPECT_EQ(own_metric(running, "s7host_sensors_created_total"), 3);
    EXPECT_EQ(restarts(), 3) << "created anew from its state: the restarts are not counted again";
    EXPECT_EQ(own_metric(running, "s7host_sensors_created_total"), 4);
    running.scrape("target=press&profile=leds", true);
    EXPECT_EQ(own_metric(running, "s7host_sensors_created_total"), 4) << "cpu went, leds stayed: used more recently";
}

TEST(serve, sighup_reloads_the_configuration_adding_and_dropping_targets) {
    plant_fixture fixture;
    simulators::s7_cpu_simulator second;
    exporter running(fixture.config, fixture.state);
    running.scrape("target=press&profile=cpu", false);
    EXPECT_EQ(fixture.plc.client_count(), 1);

    std::ofstream(fixture.config) << config_text({{"line2", second.port()}}, 0);
    running.send_signal(SIGHUP);
    for (int wait = 0; wait < 100 && own_metric(running, "s7host_config_reloads_total{result=\"success\"}", 0) < 1; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const auto families = parse_openmetrics(running.scrape("target=line2&profile=cpu", true));
    EXPECT_EQ(sample_value(families, "s7_up"), 1) << "the added target answers";
    EXPECT_EQ(second.client_count(), 1);
    EXPECT_EQ(fixture.plc.client_count(), 0) << "the dropped target's sensor and link are gone";
    EXPECT_EQ(own_metric(running, "s7host_sensors"), 1);

    std::ofstream(fixture.config) << "targets: [\n";
    running.send_signal(SIGHUP);
    for (int wait = 0; wait < 100 && own_metric(running, "s7host_config_last_reload_successful") == 1; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(own_metric(running, "s7host_config_last_reload_successful"), 0);
    EXPECT_EQ(sample_value(parse_openmetrics(running.scrape("target=line2&profile=cpu", true)), "s7_up"), 1)
        << "a broken file leaves the configuration as it was";
    const auto ended = running.stop();
    EXPECT_NE(ended.err.find("the configuration stays as it was"), std::string::npos) << ended.err;
}

}  // namespace
