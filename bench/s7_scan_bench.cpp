// What a CPU status scan through the module's exports costs next to the bare protocol work it does:
// the same three list reads made directly with the same (patched) snap7, against the same simulated
// CPU, interleaved round by round and with the whole process pinned to one CPU, so both sides meet
// the same scheduler. Every scan must answer with a scan_result, every raw read must succeed.
// Prints the wall-time ratio, the ratio of the calling thread's CPU time, and the module's extra CPU
// time per scan. Usage: s7_scan_bench [rounds]

#include <sched.h>
#include <snap7.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/scan_outcome.hpp"
#include "host/harness/module_library.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

using korvel::probekit::bench::last_outcome;
using korvel::probekit::bench::note_outcome;
using korvel::probekit::bench::scan_outcome;
using korvel::probekit::host::module_library;
using korvel::probekit::simulators::s7_cpu_simulator;

struct cost {
    double wall_us = 0;
    double cpu_us = 0;
};

double now_us(clockid_t clock) {
    timespec time{};
    clock_gettime(clock, &time);
    return static_cast<double>(time.tv_sec) * 1e6 + static_cast<double>(time.tv_nsec) / 1e3;
}

template <typename Work>
cost measure(Work work) {
    const double wall = now_us(CLOCK_MONOTONIC);
    const double cpu = now_us(CLOCK_THREAD_CPUTIME_ID);
    work();
    return {now_us(CLOCK_MONOTONIC) - wall, now_us(CLOCK_THREAD_CPUTIME_ID) - cpu};
}

void pin_to_first_cpu() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    CPU_SET(0, &cpus);
    if (sched_setaffinity(0, sizeof cpus, &cpus) != 0) throw std::runtime_error("cannot pin to CPU 0");
}

std::string sensor_block(std::uint16_t port) {
    return nlohmann::json{{"kind", "simatic_s7_300_400_cpu_status_sensor"},
                          {"settings",
                           {{"host", "127.0.0.1"},
                            {"timeout", "60"},
                            {"logging", "disabled"},
                            {"connection_section.rack", "0"},
                            {"connection_section.slot", "2"},
                            {"connection_section.port", std::to_string(port)},
                            {"connection_section.receive_timeout_ms", "2000"},
                            {"connection_section.retry", "retry"},
                            {"connection_section.retry_delay_ms", "100"}}},
                          {"channels", nlohmann::json::object()}}
        .dump();
}

class raw_client {
public:
    explicit raw_client(std::uint16_t port) : client_(Cli_Create()) {
        Cli_SetParam(client_, p_u16_RemotePort, &port);
        if (Cli_ConnectTo(client_, "127.0.0.1", 0, 2) != 0) throw std::runtime_error("raw client cannot connect");
    }
    ~raw_client() {
        Cli_Disconnect(client_);
        Cli_Destroy(&client_);
    }
    raw_client(const raw_client&) = delete;
    raw_client& operator=(const raw_client&) = delete;

    // The lists a CPU status scan reads: operating mode, cycle times, diagnostic buffer.
    void read_cpu_status_lists() {
        static constexpr int lists[][2] = {{0x0424, 0}, {0x0222, 1}, {0x00A0, 0}};
        for (const auto& list : lists) {
            int size = sizeof buffer_;
            if (Cli_ReadSZL(client_, list[0], list[1], &buffer_, &size) != 0) throw std::runtime_error("raw read failed");
        }
    }

private:
    S7Object client_;
    TS7SZL buffer_{};
};

}  // namespace

int main(int argc, char** argv) try {
    const int rounds = argc > 1 ? std::max(100, std::atoi(argv[1])) : 5000;
    pin_to_first_cpu();  // before any thread starts: the simulator's threads inherit it
    s7_cpu_simulator plc;
    raw_client raw(plc.port());
    module_library module(MODULE_PATH);
    if (module.initialize_with(note_outcome) != 0) throw std::runtime_error("module does not initialize");
    if (module.create_sensor(1, sensor_block(plc.port())) != 0) throw std::runtime_error("sensor not created");

    const auto module_scan = [&] {
        last_outcome = scan_outcome::none;
        if (module.scan(1) != 0 || last_outcome != scan_outcome::scan_result) {
            throw std::runtime_error("a scan did not answer with a scan_result");
        }
    };
    for (int warm_up = 0; warm_up < 200; ++warm_up) {
        raw.read_cpu_status_lists();
        module_scan();
    }

    cost raw_total, module_total;
    std::vector<double> raw_walls, module_walls;
    for (int round = 0; round < rounds; ++round) {
        // Alternating which side goes first, so neither always meets a warmer cache.
        const bool raw_first = round % 2 == 0;
        cost raw_cost, module_cost;
        if (raw_first) raw_cost = measure([&] { raw.read_cpu_status_lists(); });
        module_cost = measure(module_scan);
        if (!raw_first) raw_cost = measure([&] { raw.read_cpu_status_lists(); });
        raw_total.wall_us += raw_cost.wall_us;
        raw_total.cpu_us += raw_cost.cpu_us;
        module_total.wall_us += module_cost.wall_us;
        module_total.cpu_us += module_cost.cpu_us;
        raw_walls.push_back(raw_cost.wall_us);
        module_walls.push_back(module_cost.wall_us);
    }
    const auto median = [](std::vector<double>& values) {
        std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
        return values[values.size() / 2];
    };

    std::printf("CPU status scan, %d interleaved rounds, pinned to CPU 0, every scan a scan_result\n", rounds);
    std::printf("  three raw snap7 reads: %8.1f us wall, %8.1f us CPU per round (median wall %.1f us)\n",
                raw_total.wall_us / rounds, raw_total.cpu_us / rounds, median(raw_walls));
    std::printf("  module scan (exports): %8.1f us wall, %8.1f us CPU per scan  (median wall %.1f us)\n",
                module_total.wall_us / rounds, module_total.cpu_us / rounds, median(module_walls));
    std::printf("  wall ratio %.3f (target <= 1.15), CPU ratio %.3f, module's extra CPU %.1f us per scan "
                "(target <= 10)\n",
                module_total.wall_us / raw_total.wall_us, module_total.cpu_us / raw_total.cpu_us,
                (module_total.cpu_us - raw_total.cpu_us) / rounds);
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "s7_scan_bench: %s\n", error.what());
    return 1;
}
