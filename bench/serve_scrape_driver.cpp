// s7host serve against the same scans through the exports: 1,000 target and profile pairs (the three
// S7-300/400 kinds, 20 sensors on each of 50 simulated PLCs run by a second process), scraped over
// HTTP by 8 client threads with kept-alive connections, against 8 threads scanning the same 1,000
// sensors through the module's exports in this process. Reports scans per second and CPU time per
// scan of each (serve's CPU from /proc, the clients' own not counted, as a Prometheus server's would
// not be), and their ratios; every scrape is checked to answer s7_up 1. Run it on an idle machine.
// Usage: serve_scrape_driver [seconds per phase (10)]

#include <httplib.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "bench/plc_farm.hpp"
#include "bench/scan_outcome.hpp"
#include "host/harness/module_library.hpp"

namespace {

using namespace std::chrono;
using korvel::probekit::bench::last_outcome;
using korvel::probekit::bench::note_outcome;
using korvel::probekit::bench::scan_outcome;
using korvel::probekit::host::module_library;

constexpr int plcs = 50;
constexpr int sensors_per_plc = 20;
constexpr int sensors = plcs * sensors_per_plc;
constexpr int threads = 8;
constexpr const char* kinds[] = {"simatic_s7_300_400_cpu_status_sensor", "simatic_s7_300_400_led_status_sensor",
                                 "simatic_s7_300_400_cpu_restart_overview_sensor"};

// Sensor n: its PLC, its kind, and an interval that makes it a pair of its own.
std::uint16_t port_of(int n, const std::vector<std::uint16_t>& ports) { return ports[static_cast<std::size_t>(n / sensors_per_plc)]; }
const char* kind_of(int n) { return kinds[n % 3]; }
std::string interval_of(int n) { return std::to_string(60 + n % sensors_per_plc); }

std::string probe_path(int n, const std::vector<std::uint16_t>& ports) {
    return "/probe?target=127.0.0.1:" + std::to_string(port_of(n, ports)) + "&kind=" + kind_of(n) +
           "&rack=0&slot=2&interval=" + interval_of(n);
}

std::string sensor_block(int n, const std::vector<std::uint16_t>& ports) {
    return nlohmann::json{{"kind", kind_of(n)},
                          {"settings",
                           // What serve sends for the pair: the kind's defaults, a 10 s scrape's timeout.
                           {{"host", "127.0.0.1"},
                            {"timeout", "9"},
                            {"interval", interval_of(n)},
                            {"logging", "disabled"},
                            {"ipversion", "IPv4"},
                            {"connection_section.rack", "0"},
                            {"connection_section.slot", "2"},
                            {"connection_section.port", std::to_string(port_of(n, ports))},
                            {"connection_section.receive_timeout_ms", "5000"},
                            {"connection_section.retry", "retry"},
                            {"connection_section.retry_delay_ms", "100"}}},
                          {"channels", nlohmann::json::object()}}
        .dump();
}

struct phase {
    std::uint64_t scans = 0;
    std::uint64_t failed = 0;
    double seconds = 0;
    double cpu_seconds = 0;
    double per_second() const { return static_cast<double>(scans) / seconds; }
    double cpu_micros_per_scan() const { return cpu_seconds * 1e6 / static_cast<double>(scans); }
};

double own_cpu_seconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double process_cpu_seconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; index <= 15 && fields >> field; ++index) {
        if (index == 14) utime = std::stoull(field);
        if (index == 15) stime = std::stoull(field);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Runs `scan(thread, n)` for each thread's own sensors round robin until the time is up.
template <typename Scan>
phase run(seconds length, const std::function<double()>& cpu, Scan scan) {
    std::atomic<bool> stop{false};
    std::vector<phase> parts(threads);
    std::vector<std::thread> workers;
    const double cpu_before = cpu();
    const auto start = steady_clock::now();
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            while (!stop) {
                for (int n = t; n < sensors && !stop; n += threads) {
                    ++parts[static_cast<std::size_t>(t)].scans;
                    if (!scan(t, n)) ++parts[static_cast<std::size_t>(t)].failed;
                }
            }
        });
    }
    std::this_thread::sleep_for(length);
    stop = true;
    for (auto& worker : workers) worker.join();
    phase total;
    total.seconds = duration<double>(steady_clock::now() - start).count();
    total.cpu_seconds = cpu() - cpu_before;
    for (const auto& part : parts) {
        total.scans += part.scans;
        total.failed += part.failed;
    }
    return total;
}

struct serve_process {
    pid_t pid = -1;
    int port = 0;
};

serve_process start_serve(const std::string& state_directory) {
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork");
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        close(out[1]);
        execl(S7HOST_PATH, S7HOST_PATH, "serve", "--listen", "127.0.0.1:0", "--state-dir", state_directory.c_str(),
              "--module", MODULE_PATH, static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    close(out[1]);
    std::string line;
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') line.push_back(c);
    close(out[0]);
    if (line.find(':') == std::string::npos) throw std::runtime_error("serve did not start");
    return {pid, std::stoi(line.substr(line.rfind(':') + 1))};
}

void report(const char* title, const phase& result) {
    std::printf("  %-28s %8.0f scans/s  %7.1f µs CPU per scan  (%llu scans, %llu failed)\n", title, result.per_second(),
                result.cpu_micros_per_scan(), static_cast<unsigned long long>(result.scans),
                static_cast<unsigned long long>(result.failed));
}

}  // namespace

int main(int argc, char** argv) try {
    const seconds length(argc > 1 ? std::max(3, std::atoi(argv[1])) : 10);
    signal(SIGPIPE, SIG_IGN);
    auto plc_farm = korvel::probekit::bench::start_plcs(plcs);
    const auto& ports = plc_farm.ports;
    std::printf("%d sensors (3 S7-300/400 kinds, %d on each of %d simulated PLCs), %d threads, %lld s per phase\n",
                sensors, sensors_per_plc, plcs, threads, static_cast<long long>(length.count()));

    phase exports;
    {
        module_library module(MODULE_PATH);
        module.initialize_with(&note_outcome);
        for (int n = 0; n < sensors; ++n) module.create_sensor(n, sensor_block(n, ports));
        for (int n = 0; n < sensors; ++n) module.scan(n);  // links open, as serve's after its first scrape
        exports = run(length, own_cpu_seconds, [&](int, int n) {
            last_outcome = scan_outcome::none;
            return module.scan(n) == 0 && last_outcome == scan_outcome::scan_result;
        });
        for (int n = 0; n < sensors; ++n) module.destroy_sensor(n);
    }

    char state[] = "/tmp/s7host-serve-bench-XXXXXX";
    if (mkdtemp(state) == nullptr) throw std::runtime_error("mkdtemp");
    const serve_process serve = start_serve(state);
    std::vector<std::unique_ptr<httplib::Client>> clients;
    for (int t = 0; t < threads; ++t) {
        clients.push_back(std::make_unique<httplib::Client>("127.0.0.1", serve.port));
        clients.back()->set_keep_alive(true);
        clients.back()->set_tcp_nodelay(true);
    }
    const auto scrape = [&](int t, int n) {
        const auto answer = clients[static_cast<std::size_t>(t)]->Get(probe_path(n, ports));
        return answer && answer->status == 200 && answer->body.find("\ns7_up{") != std::string::npos &&
               answer->body.find("\"} 1\n# HELP s7_scan_duration_seconds") != std::string::npos;
    };
    for (int n = 0; n < sensors; ++n) scrape(n % threads, n);  // each pair's sensor created
    const phase served = run(length, [&] { return process_cpu_seconds(serve.pid); }, scrape);
    const auto own = clients.front()->Get("/metrics");
    const auto created_at = own ? own->body.find("\ns7host_sensors_created_total ") : std::string::npos;
    const std::string created =
        created_at == std::string::npos ? "?" : own->body.substr(created_at + 30, own->body.find('\n', created_at + 1) - created_at - 30);
    kill(serve.pid, SIGTERM);
    waitpid(serve.pid, nullptr, 0);
    std::filesystem::remove_all(state);

    report("through the exports:", exports);
    report("scraped from serve:", served);
    std::printf("  sensor instances serve created: %s (one per pair: kept from scrape to scrape)\n", created.c_str());
    std::printf("  serve / exports: %.2fx the scans per second, %.2fx the CPU per scan\n",
                served.per_second() / exports.per_second(),
                served.cpu_micros_per_scan() / exports.cpu_micros_per_scan());
    close(plc_farm.keep_alive);
    waitpid(plc_farm.pid, nullptr, 0);
    return served.failed == 0 && exports.failed == 0 ? 0 : 1;
} catch (const std::exception& error) {
    std::fprintf(stderr, "serve_scrape_driver: %s\n", error.what());
    return 1;
}
