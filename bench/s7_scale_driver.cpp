// Scale of the S7-300/400 sensors: 1,000 sensors of the three kinds, 20 on each of 50 simulated
// PLCs (snap7 servers on loopback ports, run by a second process), scanned by 8 host threads, each
// sensor by one thread at a time. Reports scans per second, p50/p99 scan latency, the TCP links open
// (one per PLC), resident memory per sensor and its growth over the run. Then the same with the
// last PLC hung (it accepts TCP and never answers), from its first connect on: the healthy PLCs'
// throughput in every 5 s window as a ratio to their share of the all-healthy run (target: at least
// 80 % in every window, the first included), their p99, and the longest scan of the hung PLC's
// sensors, which must end within their time-out. Run it on an otherwise idle machine.
// Usage: s7_scale_driver [healthy seconds (60)] [hung seconds (20)]

#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/plc_farm.hpp"
#include "bench/scan_outcome.hpp"
#include "host/harness/module_library.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

using namespace std::chrono;
using korvel::probekit::bench::last_outcome;
using korvel::probekit::bench::note_outcome;
using korvel::probekit::bench::plc_process;
using korvel::probekit::bench::start_plcs;
using korvel::probekit::bench::scan_outcome;
using korvel::probekit::host::module_library;
using korvel::probekit::simulators::s7_cpu_simulator;

constexpr int plcs = 50;
constexpr int sensors_per_plc = 20;
constexpr int sensors = plcs * sensors_per_plc;
constexpr int threads = 8;
constexpr int timeout_seconds = 10;
constexpr const char* kinds[] = {"simatic_s7_300_400_cpu_status_sensor", "simatic_s7_300_400_led_status_sensor",
                                 "simatic_s7_300_400_cpu_restart_overview_sensor"};

std::string sensor_block(int id, std::uint16_t port) {
    return nlohmann::json{{"kind", kinds[id % 3]},
                          {"settings",
                           {{"host", "127.0.0.1"},
                            {"timeout", std::to_string(timeout_seconds)},
                            {"logging", "disabled"},
                            {"connection_section.rack", "0"},
                            {"connection_section.slot", "2"},
                            {"connection_section.port", std::to_string(port)},
                            {"connection_section.receive_timeout_ms", "5000"},
                            {"connection_section.retry", "retry"},
                            {"connection_section.retry_delay_ms", "100"}}},
                          {"channels", nlohmann::json::object()}}
        .dump();
}

long resident_kib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    }
    return 0;
}

// Established client links of this machine whose remote port is one of the PLCs'.
int links_open(const std::set<std::uint16_t>& ports) {
    int count = 0;
    std::ifstream table("/proc/net/tcp");
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state;
        fields >> slot >> local >> remote >> state;
        const auto port = static_cast<std::uint16_t>(std::stoul(remote.substr(remote.find(':') + 1), nullptr, 16));
        if (state == "01" && ports.count(port) != 0) ++count;
    }
    return count;
}

// Latencies in 10 µs buckets up to 100 ms (longer ones count in the last bucket), and the longest.
class latency_histogram {
public:
    void add(duration<double> latency) {
        const auto bucket = static_cast<std::size_t>(latency.count() * 1e5);
        ++counts_[std::min(bucket, counts_.size() - 1)];
        ++total_;
        longest_ = std::max(longest_, latency);
    }
    void merge(const latency_histogram& other) {
        for (std::size_t i = 0; i < counts_.size(); ++i) counts_[i] += other.counts_[i];
        total_ += other.total_;
        longest_ = std::max(longest_, other.longest_);
    }
    double percentile_ms(double share) const {
        std::uint64_t seen = 0;
        for (std::size_t i = 0; i < counts_.size(); ++i) {
            seen += counts_[i];
            if (static_cast<double>(seen) >= share * static_cast<double>(total_)) return static_cast<double>(i + 1) / 100.0;
        }
        return 0;
    }
    std::uint64_t total() const { return total_; }
    double longest_ms() const { return longest_.count() * 1e3; }

private:
    std::vector<std::uint64_t> counts_ = std::vector<std::uint64_t>(10'000, 0);
    std::uint64_t total_ = 0;
    duration<double> longest_{0};
};

struct run_result {
    latency_histogram healthy, hung;
    std::uint64_t failed_healthy = 0;
    double seconds = 0;
    double lowest_window_ratio = 0;  // when windows were reported
};

// Each thread scans its own sensors round robin, so no sensor is scanned by two threads at once.
// With a baseline (healthy scans per second), every 5 s window's healthy rate is printed against it.
run_result run(module_library& module, seconds length, int hung_plc, const std::set<std::uint16_t>& ports,
               bool watch_memory, double baseline = 0) {
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> healthy_scans{0};
    double lowest_ratio = 1e9;
    std::vector<run_result> per_thread(threads);
    std::vector<std::thread> workers;
    const auto start = steady_clock::now();
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&, t] {
            run_result& mine = per_thread[static_cast<std::size_t>(t)];
            while (!stop) {
                for (int id = t; id < sensors && !stop; id += threads) {
                    last_outcome = scan_outcome::none;
                    const auto began = steady_clock::now();
                    const int answer = module.scan(id);
                    const duration<double> took = steady_clock::now() - began;
                    if (id / sensors_per_plc == hung_plc) {
                        mine.hung.add(took);
                    } else {
                        mine.healthy.add(took);
                        healthy_scans.fetch_add(1, std::memory_order_relaxed);
                        if (answer != 0 || last_outcome != scan_outcome::scan_result) ++mine.failed_healthy;
                    }
                }
            }
        });
    }
    long first_rss = 0;
    std::uint64_t counted = 0;
    for (auto elapsed = seconds(0); elapsed < length; elapsed += seconds(5)) {
        const auto window_start = steady_clock::now();
        std::this_thread::sleep_for(std::min(seconds(5), length - elapsed));
        if (baseline > 0) {
            const std::uint64_t now_counted = healthy_scans.load(std::memory_order_relaxed);
            const double rate = static_cast<double>(now_counted - counted) /
                                duration<double>(steady_clock::now() - window_start).count();
            counted = now_counted;
            lowest_ratio = std::min(lowest_ratio, rate / baseline);
            std::printf("    %3ld-%3lds: %.0f healthy scans/s, %.0f%% of the all-healthy run's share\n",
                        static_cast<long>(elapsed.count()), static_cast<long>((elapsed + seconds(5)).count()),
                        rate, 100.0 * rate / baseline);
        }
        if (watch_memory) {
            const long rss = resident_kib();
            if (first_rss == 0) first_rss = rss;
            std::printf("    after %3lds: %d links open, resident %ld KiB (%+ld KiB since 5 s)\n",
                        static_cast<long>((elapsed + seconds(5)).count()), links_open(ports), rss, rss - first_rss);
        }
    }
    stop = true;
    // Rates count the run's own length: joining may wait for a hung PLC's connect to end.
    const auto stopped = steady_clock::now();
    for (auto& worker : workers) worker.join();
    run_result total;
    total.seconds = duration<double>(stopped - start).count();
    total.lowest_window_ratio = baseline > 0 ? lowest_ratio : 0;
    for (const auto& part : per_thread) {
        total.healthy.merge(part.healthy);
        total.hung.merge(part.hung);
        total.failed_healthy += part.failed_healthy;
    }
    return total;
}

void report(const char* title, const run_result& result) {
    std::printf("  %s: %.0f healthy scans/s, p50 %.2f ms, p99 %.2f ms, %llu healthy scans failed\n", title,
                static_cast<double>(result.healthy.total()) / result.seconds, result.healthy.percentile_ms(0.5),
                result.healthy.percentile_ms(0.99), static_cast<unsigned long long>(result.failed_healthy));
}

}  // namespace

int main(int argc, char** argv) try {
    const seconds healthy_length(argc > 1 ? std::max(5, std::atoi(argv[1])) : 60);
    const seconds hung_length(argc > 2 ? std::max(5, std::atoi(argv[2])) : 20);
    signal(SIGPIPE, SIG_IGN);
    plc_process process = start_plcs(plcs);
    const std::set<std::uint16_t> ports(process.ports.begin(), process.ports.end());

    module_library module(MODULE_PATH);
    if (module.initialize_with(note_outcome) != 0) throw std::runtime_error("module does not initialize");
    const long before = resident_kib();
    for (int id = 0; id < sensors; ++id) {
        if (module.create_sensor(id, sensor_block(id, process.ports[static_cast<std::size_t>(id / sensors_per_plc)])) != 0) {
            throw std::runtime_error("sensor " + std::to_string(id) + " not created");
        }
    }
    std::printf("%d sensors on %d PLCs, %d threads; resident memory per idle sensor %.0f bytes\n", sensors, plcs,
                threads, static_cast<double>(resident_kib() - before) * 1024.0 / sensors);

    run(module, seconds(3), -1, ports, false);  // links open, buffers grown
    std::printf("  all PLCs healthy, %lld s:\n", static_cast<long long>(healthy_length.count()));
    const run_result healthy = run(module, healthy_length, -1, ports, true);
    report("all healthy", healthy);
    std::printf("  links open: %d (PLCs: %d)\n", links_open(ports), plcs);

    // The last PLC's sensors now point at the hung listener.
    const int hung_plc = plcs - 1;
    for (int id = hung_plc * sensors_per_plc; id < sensors; ++id) {
        module.destroy_sensor(id);
        module.create_sensor(id, sensor_block(id, process.hung_port));
    }
    // From the first connect to the hung PLC on: the scans queued behind that connect must not hold
    // the threads the healthy PLCs need, in the first window either.
    const double healthy_rate = static_cast<double>(healthy.healthy.total()) / healthy.seconds * (plcs - 1) / plcs;
    std::printf("  one PLC hung, %lld s, healthy throughput per 5 s window:\n",
                static_cast<long long>(hung_length.count()));
    const run_result hung = run(module, hung_length, hung_plc, ports, false, healthy_rate);
    report("one PLC hung", hung);
    std::printf(
        "  healthy PLCs keep %.0f%% of their throughput overall, %.0f%% in their worst window (target >= "
        "80%% in every window); hung PLC's scans: %llu, longest %.0f ms (time-out %d s)\n",
        100.0 * static_cast<double>(hung.healthy.total()) / hung.seconds / healthy_rate,
        100.0 * hung.lowest_window_ratio, static_cast<unsigned long long>(hung.hung.total()),
        hung.hung.longest_ms(), timeout_seconds);

    module.cleanup();
    close(process.keep_alive);
    waitpid(process.pid, nullptr, 0);
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "s7_scale_driver: %s\n", error.what());
    return 1;
}
