// What a CPU status scan through the module costs next to the bare protocol work it does: the same
// three list reads made directly with snap7, against the same simulated CPU, in the same run.
// Also: scans per second with several sensors on one PLC from four threads, and the memory one
// sensor takes. Prints ratios; the absolute times depend on the machine.

#include <benchmark/benchmark.h>
#include <snap7.h>

#include <atomic>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <thread>
#include <unistd.h>

#include "host/harness/module_library.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

using korvel::probekit::host::module_library;
using korvel::probekit::simulators::s7_cpu_simulator;

s7_cpu_simulator& plc() {
    static s7_cpu_simulator simulator;
    return simulator;
}

std::string sensor_block(const std::string& kind = "simatic_s7_300_400_cpu_status_sensor") {
    return nlohmann::json{{"kind", kind},
                          {"settings",
                           {{"host", "127.0.0.1"},
                            {"timeout", "60"},
                            {"connection_section.rack", "0"},
                            {"connection_section.slot", "2"},
                            {"connection_section.port", std::to_string(plc().port())},
                            {"connection_section.receive_timeout_ms", "2000"},
                            {"connection_section.retry", "retry"},
                            {"connection_section.retry_delay_ms", "100"}}},
                          {"channels", nlohmann::json::object()}}
        .dump();
}

// A host that forgets each message as it arrives, as a real host hands them on.
struct quiet_module {
    quiet_module() {
        module.on_message([this](const std::string&) { module.take_messages(); });
        module.initialize();
    }
    module_library module{MODULE_PATH};
};

void raw_snap7_reads(benchmark::State& state) {
    S7Object client = Cli_Create();
    std::uint16_t port = plc().port();
    Cli_SetParam(client, p_u16_RemotePort, &port);
    if (Cli_ConnectTo(client, "127.0.0.1", 0, 2) != 0) state.SkipWithError("cannot connect");
    TS7SZL buffer;
    for (auto _ : state) {
        const int lists[][2] = {{0x0424, 0}, {0x0222, 1}, {0x00A0, 0}};
        for (const auto& list : lists) {
            int size = sizeof buffer;
            if (Cli_ReadSZL(client, list[0], list[1], &buffer, &size) != 0) state.SkipWithError("read failed");
            benchmark::DoNotOptimize(buffer);
        }
    }
    Cli_Disconnect(client);
    Cli_Destroy(&client);
}

void module_cpu_status_scan(benchmark::State& state) {
    quiet_module host;
    host.module.create_sensor(1, sensor_block());
    host.module.scan(1);  // connects; the timed scans reuse the link, as the raw reads do
    for (auto _ : state) {
        if (host.module.scan(1) != 0) state.SkipWithError("scan failed");
    }
}

// Sensors on one PLC share one connection; four host threads scan them round robin.
void concurrent_scans(benchmark::State& state) {
    const int sensors = static_cast<int>(state.range(0));
    quiet_module host;
    for (int id = 1; id <= sensors; ++id) host.module.create_sensor(id, sensor_block());
    constexpr int threads = 4;
    constexpr int scans_per_round = 64;
    for (auto _ : state) {
        std::atomic<int> next{0};
        std::vector<std::thread> workers;
        for (int t = 0; t < threads; ++t) {
            workers.emplace_back([&] {
                for (int scan = next++; scan < scans_per_round; scan = next++) host.module.scan(1 + scan % sensors);
            });
        }
        for (auto& worker : workers) worker.join();
    }
    state.counters["scans_per_second"] =
        benchmark::Counter(static_cast<double>(state.iterations() * scans_per_round), benchmark::Counter::kIsRate);
}

long resident_kib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * sysconf(_SC_PAGESIZE) / 1024;
}

// Resident memory of many idle sensors, per sensor (their connection is shared and not yet open).
void report_memory_per_sensor() {
    quiet_module host;
    constexpr int sensors = 2000;
    host.module.create_sensor(0, sensor_block());
    const long before = resident_kib();
    for (int id = 1; id <= sensors; ++id) host.module.create_sensor(id, sensor_block());
    const long after = resident_kib();
    std::cout << "resident memory per CPU status sensor: " << (after - before) * 1024.0 / sensors << " bytes\n";
}

class ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) times[run.benchmark_name()] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
        ConsoleReporter::ReportRuns(runs);
    }
    struct time {
        double real;
        double cpu;
    };
    std::map<std::string, time> times;
};

}  // namespace

BENCHMARK(raw_snap7_reads)->UseRealTime()->MinTime(2.0);
BENCHMARK(module_cpu_status_scan)->UseRealTime()->MinTime(2.0);
BENCHMARK(concurrent_scans)->Arg(1)->Arg(8)->Arg(64)->UseRealTime()->MinTime(2.0);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto raw = reporter.times.find("raw_snap7_reads/min_time:2.000/real_time");
    const auto module = reporter.times.find("module_cpu_status_scan/min_time:2.000/real_time");
    if (raw != reporter.times.end() && module != reporter.times.end()) {
        // Wall time is dominated by the simulated CPU's answer latency; the calling thread's CPU time
        // is what the module adds on top of the protocol work.
        std::cout << "CPU status scan through the module / the same three reads with snap7 (target: at most 1.10):\n"
                  << "  wall time " << module->second.real / raw->second.real << ", CPU time of the calling thread "
                  << module->second.cpu / raw->second.cpu << "\n";
    }
    report_memory_per_sensor();
    benchmark::Shutdown();
    return 0;
}
