// Debian's Prometheus server scraping s7host serve the multi-target way (a generated configuration,
// one-second interval, everything on 127.0.0.1) and answering PromQL about what it scraped.

#include <httplib.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include "host/cli/json.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"
#include "tests/host/child_process.hpp"
#include "tests/host/temporary_directory.hpp"

namespace {

using namespace korvel::probekit;
using namespace korvel::probekit::host::test_support;
using korvel::probekit::host::json;

// A port nothing listens on now, for a program that must be told its port.
int free_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

// The query's samples by their instance label (an empty result: none).
std::map<std::string, double> query(int port, const std::string& promql) {
    httplib::Client client("127.0.0.1", port);
    const auto answer = client.Get("/api/v1/query", httplib::Params{{"query", promql}}, httplib::Headers{});
    std::map<std::string, double> values;
    if (!answer || answer->status != 200) return values;
    const auto document = json::parse(answer->body, nullptr, false);
    if (document.is_discarded()) return values;
    for (const auto& sample : document["data"]["result"])
        values[sample["metric"].value("instance", "")] = std::stod(sample["value"][1].get<std::string>());
    return values;
}

TEST(prometheus, scrapes_serve_and_answers_promql_about_the_plc) {
    simulators::s7_cpu_simulator plc;
    temporary_directory directory;
    std::ofstream(directory.path() / "serve.yml")
        << "targets:\n  press:\n    host: 127.0.0.1\n    port: " << plc.port()
        << "\n    rack: 0\n    slot: 2\nprofiles:\n  cpu:\n    kind: simatic_s7_300_400_cpu_status_sensor\n";
    running_program serve(S7HOST_PATH, {"serve", "--listen", "127.0.0.1:0", "--config",
                                        (directory.path() / "serve.yml").string(), "--state-dir",
                                        (directory.path() / "state").string(), "--module", MODULE_PATH});
    std::string line;
    ASSERT_TRUE(serve.read_line(line));
    const std::string exporter = "127.0.0.1:" + line.substr(line.rfind(':') + 1);

    std::ofstream(directory.path() / "prometheus.yml")
        << "global:\n  scrape_interval: 1s\n  scrape_timeout: 1s\n"
           "scrape_configs:\n  - job_name: s7\n    metrics_path: /probe\n    params:\n      profile: [cpu]\n"
           "    static_configs:\n      - targets: [press]\n"
           "    relabel_configs:\n"
           "      - {source_labels: [__address__], target_label: __param_target}\n"
           "      - {source_labels: [__param_target], target_label: instance}\n"
           "      - {target_label: __address__, replacement: '"
        << exporter << "'}\n";
    const int port = free_port();
    running_program prometheus(PROMETHEUS_PATH,
                               {"--config.file=" + (directory.path() / "prometheus.yml").string(),
                                "--storage.tsdb.path=" + (directory.path() / "tsdb").string(),
                                "--web.listen-address=127.0.0.1:" + std::to_string(port)});

    // Two scrape cycles: two samples of s7_up in Prometheus's own store.
    std::map<std::string, double> scraped;
    for (int wait = 0; wait < 300 && scraped["press"] < 2; ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        scraped = query(port, "count_over_time(s7_up[1m])");
    }
    EXPECT_GE(scraped["press"], 2) << "two scrapes within 30 s";
    EXPECT_EQ(query(port, "s7_up"), (std::map<std::string, double>{{"press", 1}}));
    EXPECT_EQ(query(port, "s7_cpu_status{s7_cpu_status=\"RUN (solo mode)\"}"),
              (std::map<std::string, double>{{"press", 1}}))
        << "the CPU's operating state, read from the OpenMetrics state set";
    EXPECT_EQ(query(port, "s7_cycle_time_max_seconds{kind=\"simatic_s7_300_400_cpu_status_sensor\"}"),
              (std::map<std::string, double>{{"press", 0.001}}));
    prometheus.send_signal(SIGTERM);
    prometheus.wait();
    serve.send_signal(SIGTERM);
    EXPECT_EQ(serve.wait().exit, 0);
}

}  // namespace
