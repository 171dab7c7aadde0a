// The S7-1200/1500 sensors through the module's exports against the Web API simulator over HTTPS on
// 127.0.0.1, with the plant scenario (a hardware tree of known depth). First, per kind: scans per
// second, POSTs and logins per scan and the sessions the simulator holds, with 1 sensor and with 32
// sensors sharing one Web API client (equal settings), scanned from 4 threads, each sensor by one
// thread at a time; the session cap is lifted there so the figures are the module's. Then, per kind:
// how many sensors, each with its own user and client, one CPU with a 50-session cap serves at a
// 60 s interval with a 120 s session lifetime before a login is refused, run for real with both times
// scaled down by the same factor and the count bisected, with the sessions left once they are
// destroyed. Then, per kind, an hour of scans at a 60 s interval (scaled down 500 times): logins,
// sessions held and security events written, against what a login in every batch would cost in the
// same run (one per POST); and 1,000 CPU status sensors sharing one user on one CPU, with the
// sessions left after all are destroyed. The simulator's times are scaled; the module's own 90 s
// token age is not, which at a 60 s interval changes nothing (60 s < 90 s < 120 s). Every scan must
// answer with a scan_result; anything else is counted and the first one printed. Run it on an
// otherwise idle machine.
// Usage: s7web_scan_driver [seconds per throughput run (2)]

#include <signal.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/scan_outcome.hpp"
#include "host/harness/module_library.hpp"
#include "simulators/s7web_api/s7web_api_simulator.hpp"
#include "simulators/s7web_api/scenario_file.hpp"

namespace {

using namespace std::chrono;
using korvel::probekit::bench::last_outcome;
using korvel::probekit::bench::note_outcome;
using korvel::probekit::bench::scan_outcome;
using korvel::probekit::host::module_library;
using korvel::probekit::simulators::hardware_node;
using korvel::probekit::simulators::load_scenario_file;
using korvel::probekit::simulators::s7web_api_simulator;
using korvel::probekit::simulators::s7web_scenario;
using korvel::probekit::simulators::session_limits;
using korvel::probekit::simulators::web_api_user;
using json = nlohmann::json;

constexpr int threads = 4;
constexpr int shared_sensors = 32;
constexpr const char* password = "Diag.Pass+1";

// A device's session rules and a usual scan interval, and the factor that shrinks both for the run.
constexpr seconds real_lifetime{120};
constexpr seconds real_interval{60};
constexpr std::size_t session_cap = 50;
constexpr int time_scale = 100;
constexpr milliseconds scaled_lifetime = duration_cast<milliseconds>(real_lifetime) / time_scale;
constexpr milliseconds scaled_interval = duration_cast<milliseconds>(real_interval) / time_scale;
// A count runs clean when its sensors keep logging in this long: past the lifetime after their first
// sessions' last use, so the table holds as many as it ever will.
constexpr int clean_lifetimes = 3;

// A sensor kind, and the POSTs its scan sends after a client's first beyond the browse passes of
// the hardware tree: the alarm scan walks the tree for its per-module channels, the hardware scan
// walks it and then reads the modules' status.
struct kind {
    const char* name;
    const char* label;
    int posts_besides_browsing;
    bool browses;
};
constexpr kind kinds[] = {{"simatic_s7_1200_1500_cpu_status_sensor", "CPU status", 1, false},
                          {"simatic_s7_1200_1500_alarm_status_sensor", "alarm status", 1, true},
                          {"simatic_s7_1200_1500_hardware_status_sensor", "hardware status", 2, true}};

// Levels of the tree, and the browse passes a walk needs below the root's list: children the device
// lists with their parent come in their parent's answer.
int tree_levels(const std::vector<hardware_node>& nodes) {
    int deepest = 0;
    for (const auto& node : nodes) deepest = std::max(deepest, 1 + tree_levels(node.children));
    return deepest;
}

int browses_below(const std::vector<hardware_node>& listed) {
    int deepest = 0;
    for (const auto& node : listed) {
        if (node.children.empty()) continue;
        deepest = std::max(deepest, browses_below(node.children) + (node.children_included ? 0 : 1));
    }
    return deepest;
}

int expected_posts(const kind& which, int browse_depth) {
    return which.posts_besides_browsing + (which.browses ? browse_depth : 0);
}

// The text of the error_result that answered this thread's last failed scan.
thread_local std::string last_error;

void note_scan(std::uint64_t context, const void* bytes, std::uint32_t size) {
    const scan_outcome before = last_outcome;
    note_outcome(context, bytes, size);
    if (before == scan_outcome::error_result || last_outcome != scan_outcome::error_result) return;
    constexpr std::size_t shown = 200;
    const auto* text = static_cast<const char*>(bytes);
    const json message = json::parse(text, text + size, nullptr, false);
    const json::json_pointer text_at("/message/text");
    last_error = !message.is_discarded() && message.contains(text_at) && message[text_at].is_string()
                     ? message[text_at].get<std::string>().substr(0, shown)
                     : "(an error_result without text)";
}

struct scan_tally {
    std::uint64_t scans = 0;
    std::uint64_t failures = 0;
    std::string first_failure;

    void merge(const scan_tally& other) {
        scans += other.scans;
        failures += other.failures;
        if (first_failure.empty()) first_failure = other.first_failure;
    }
};

// Whether the scan answered with a scan_result; anything else is tallied as a failure.
bool scan_once(module_library& module, int id, scan_tally& tally) {
    last_outcome = scan_outcome::none;
    const int answer = module.scan(id);
    ++tally.scans;
    if (answer == 0 && last_outcome == scan_outcome::scan_result) return true;
    ++tally.failures;
    if (tally.first_failure.empty()) {
        tally.first_failure = last_outcome == scan_outcome::error_result
                                  ? last_error
                                  : "scan answered " + std::to_string(answer) + " without a result";
    }
    return false;
}

std::string sensor_block(kind which, std::uint16_t port, const std::string& user) {
    return json{{"kind", which.name},
                {"settings",
                 {{"host", "127.0.0.1"},
                  {"timeout", "20"},
                  {"logging", "disabled"},
                  {"s7web_credentials_section.username", user},
                  {"s7web_credentials_section.password", password},
                  {"s7web_credentials_section.port", std::to_string(port)},
                  {"shared_http_validation_section.certificate_validation", "none"}}},
                {"secure_settings", {"s7web_credentials_section.password"}},
                {"channels", json::object()},
                {"persistent_data", json::object()}}
        .dump();
}

// Sensors of one kind, destroyed with the group. Ids are never reused within the run.
class sensor_group {
public:
    sensor_group(module_library& module, kind which, std::uint16_t port,
                 const std::vector<std::string>& users)
        : module_(module) {
        static int next_id = 0;
        for (const auto& user : users) {
            const int id = next_id++;
            if (module_.create_sensor(id, sensor_block(which, port, user)) != 0)
                throw std::runtime_error(std::string(which.name) + " " + std::to_string(id) +
                                         " not created");
            ids_.push_back(id);
        }
    }
    ~sensor_group() {
        for (const int id : ids_) module_.destroy_sensor(id);
    }
    sensor_group(const sensor_group&) = delete;
    sensor_group& operator=(const sensor_group&) = delete;

    const std::vector<int>& ids() const { return ids_; }

private:
    module_library& module_;
    std::vector<int> ids_;
};

// Every session the simulator holds ends and its table takes these limits, so a run starts empty.
void start_sessions_anew(s7web_api_simulator& plc, session_limits limits) {
    plc.change([](s7web_scenario& scenario) { scenario.sessions.lifetime = milliseconds(0); });
    plc.live_sessions();  // drops the sessions the zero lifetime ended
    plc.change([limits](s7web_scenario& scenario) { scenario.sessions = limits; });
}

struct throughput {
    double scans_per_second = 0;
    double posts_per_scan = 0;
    double logins_per_scan = 0;
    std::size_t live_sessions = 0;
    scan_tally tally;
};

// Every sensor scanned once (the client's API probe, the CPU's redundancy check), then all of them
// round robin as fast as they answer, thread t taking every fourth from the t-th. The session cap is
// lifted, so the figures are the module's, and the sessions held are those it opened in the run.
throughput measure_throughput(module_library& module, s7web_api_simulator& plc, kind which, int sensors,
                              milliseconds length) {
    const sensor_group group(module, which, plc.port(),
                             std::vector<std::string>(static_cast<std::size_t>(sensors), "diag"));
    const auto& ids = group.ids();
    throughput measured;
    for (const int id : ids) scan_once(module, id, measured.tally);
    start_sessions_anew(plc, {real_lifetime, std::numeric_limits<std::size_t>::max()});

    const std::size_t batches_before = plc.batches();
    const std::size_t logins_before = plc.logins();
    std::atomic<bool> stop{false};
    std::vector<scan_tally> per_thread(threads);
    std::vector<std::thread> workers;
    const auto start = steady_clock::now();
    for (std::size_t t = 0; t < std::min<std::size_t>(threads, ids.size()); ++t) {
        workers.emplace_back([&, t] {
            while (!stop) {
                for (std::size_t i = t; i < ids.size() && !stop; i += threads)
                    scan_once(module, ids[i], per_thread[t]);
            }
        });
    }
    std::this_thread::sleep_for(length);
    stop = true;
    for (auto& worker : workers) worker.join();
    const double seconds_taken = duration<double>(steady_clock::now() - start).count();

    scan_tally run;
    for (const auto& part : per_thread) run.merge(part);
    const auto per_scan = [&run](std::size_t count) {
        return static_cast<double>(count) / static_cast<double>(std::max<std::uint64_t>(run.scans, 1));
    };
    measured.scans_per_second = static_cast<double>(run.scans) / seconds_taken;
    measured.posts_per_scan = per_scan(plc.batches() - batches_before);
    measured.logins_per_scan = per_scan(plc.logins() - logins_before);
    measured.live_sessions = plc.live_sessions();
    measured.tally.merge(run);
    return measured;
}

void report_throughput(int sensors, const throughput& measured, double baseline_rate) {
    std::printf(
        "    %2d sensor%s %7.0f scans/s (%.2fx 1 sensor), %.2f POSTs/scan, %.2f logins/scan, "
        "%zu sessions held, %llu failed\n",
        sensors, sensors == 1 ? ": " : "s:", measured.scans_per_second,
        measured.scans_per_second / baseline_rate, measured.posts_per_scan, measured.logins_per_scan,
        measured.live_sessions, static_cast<unsigned long long>(measured.tally.failures));
    if (measured.tally.failures != 0)
        std::printf("      first failure: %s\n", measured.tally.first_failure.c_str());
}

// The user of the i-th sensor counted against the cap: one user each, so one Web API client each.
std::string capacity_user(int i) {
    return "diag_" + std::to_string(i);
}

struct interval_run {
    scan_tally tally;
    std::size_t refused_logins = 0;
    std::size_t peak_sessions = 0;
    std::size_t sessions_left = 0;  // once the sensors were destroyed
    double first_failure_after = 0;  // seconds from the first scan

    bool clean() const { return tally.failures == 0 && refused_logins == 0; }
};

// Each sensor logs in as its own user (so has its own client) and is scanned every scaled interval,
// the first scans spread evenly over the first interval, thread t scanning every fourth sensor from
// the t-th; ends after `clean_lifetimes` scaled lifetimes or at the first failed scan.
interval_run run_at_interval(module_library& module, s7web_api_simulator& plc, kind which, int sensors) {
    start_sessions_anew(plc, {scaled_lifetime, session_cap});
    const std::size_t refused_before = plc.refused_logins();
    std::vector<std::string> users;
    for (int i = 0; i < sensors; ++i) users.push_back(capacity_user(i));
    auto group = std::make_unique<sensor_group>(module, which, plc.port(), users);
    const auto& ids = group->ids();

    interval_run run;
    std::atomic<bool> failed{false};
    std::atomic<double> failed_after{0};
    std::vector<scan_tally> per_thread(threads);
    std::vector<std::thread> workers;
    const auto start = steady_clock::now();
    const auto end = start + clean_lifetimes * scaled_lifetime;
    for (std::size_t t = 0; t < std::min<std::size_t>(threads, ids.size()); ++t) {
        workers.emplace_back([&, t] {
            std::vector<std::pair<steady_clock::time_point, int>> due;  // next scan, sensor id
            for (std::size_t i = t; i < ids.size(); i += threads)
                due.emplace_back(start + scaled_interval * static_cast<int>(i) / sensors, ids[i]);
            for (;;) {
                auto next = std::min_element(due.begin(), due.end());
                if (next->first >= end || failed) return;
                std::this_thread::sleep_until(next->first);
                if (!scan_once(module, next->second, per_thread[t]) && !failed.exchange(true))
                    failed_after = duration<double>(steady_clock::now() - start).count();
                next->first += scaled_interval;
            }
        });
    }
    while (!failed && steady_clock::now() < end) {
        run.peak_sessions = std::max(run.peak_sessions, plc.live_sessions());
        std::this_thread::sleep_for(milliseconds(10));
    }
    for (auto& worker : workers) worker.join();
    for (const auto& part : per_thread) run.tally.merge(part);
    run.refused_logins = plc.refused_logins() - refused_before;
    run.first_failure_after = failed_after;
    group.reset();
    run.sessions_left = plc.live_sessions();
    return run;
}

// The largest count that runs clean, bisected between none and one sensor per session (which must
// fail: every sensor holds at least the session its next scan presents). Assumes that a count that
// runs clean means every smaller one does.
void report_capacity(module_library& module, s7web_api_simulator& plc, kind which) {
    int clean = 0;
    int failing = static_cast<int>(session_cap) + 1;
    interval_run best, first_failing;
    while (failing - clean > 1) {
        const int count = (clean + failing) / 2;
        const interval_run run = run_at_interval(module, plc, which, count);
        if (run.clean()) {
            clean = count;
            best = run;
        } else {
            failing = count;
            first_failing = run;
        }
    }
    std::printf(
        "    %-16s %2d sensors ran clean (peak %zu sessions, %.1f per sensor, %llu scans; %zu sessions left "
        "once destroyed)\n",
        which.label, clean, best.peak_sessions, clean == 0 ? 0.0 : static_cast<double>(best.peak_sessions) / clean,
        static_cast<unsigned long long>(best.tally.scans), best.sessions_left);
    if (failing <= static_cast<int>(session_cap)) {
        std::printf(
            "    %-16s %2d sensors: %zu logins refused, %llu scans failed, the first after %.2f s: %s\n", "",
            failing, first_failing.refused_logins,
            static_cast<unsigned long long>(first_failing.tally.failures), first_failing.first_failure_after,
            first_failing.tally.first_failure.c_str());
    }
}

// An hour of scans at the usual interval, scaled down 500 times: the scaled interval (120 ms) still
// leaves a loaded machine 120 ms before the scaled lifetime ends a session.
constexpr int hour_scale = 500;
constexpr int scans_an_hour = 60;
constexpr milliseconds hour_lifetime = duration_cast<milliseconds>(real_lifetime) / hour_scale;
constexpr milliseconds hour_interval = duration_cast<milliseconds>(real_interval) / hour_scale;

struct hour_run {
    scan_tally tally;
    std::size_t logins = 0;
    double posts_per_scan = 0;  // past the first scan, which also probes the API
    std::size_t peak_sessions = 0;
    std::size_t security_events = 0;
    std::size_t sessions_left = 0;  // once the sensor was destroyed
};

// One sensor (one client) scanned every scaled minute for a scaled hour, then destroyed.
hour_run run_an_hour(module_library& module, s7web_api_simulator& plc, kind which) {
    start_sessions_anew(plc, {hour_lifetime, session_cap});
    hour_run run;
    const std::size_t logins_before = plc.logins();
    const std::size_t events_before = plc.security_events();
    {
        const sensor_group group(module, which, plc.port(), {"diag"});
        auto due = steady_clock::now();
        std::size_t posts_after_first = 0;
        for (int minute = 0; minute < scans_an_hour; ++minute) {
            std::this_thread::sleep_until(due);
            scan_once(module, group.ids().front(), run.tally);
            if (minute == 0) posts_after_first = plc.batches();
            run.peak_sessions = std::max(run.peak_sessions, plc.live_sessions());
            due += hour_interval;
        }
        run.posts_per_scan = static_cast<double>(plc.batches() - posts_after_first) / (scans_an_hour - 1);
    }
    run.logins = plc.logins() - logins_before;
    run.security_events = plc.security_events() - events_before;
    run.sessions_left = plc.live_sessions();
    return run;
}

void report_hour(module_library& module, s7web_api_simulator& plc, kind which) {
    const hour_run run = run_an_hour(module, plc, which);
    // A login in every batch: one login, one security event and one session per POST, each session
    // living a lifetime after its one use, so the scans of the last lifetime hold theirs, plus the
    // one on its way.
    const double every_batch_logins = run.posts_per_scan * scans_an_hour;
    const double every_batch_sessions = run.posts_per_scan * (real_lifetime / real_interval) + 1;
    std::printf(
        "    %-16s %zu login%s and %zu security event%s an hour (a login per batch: %.0f, %.0fx), at most %zu "
        "session%s held (a login per batch: about %.0f), %zu left once destroyed, %llu failed\n",
        which.label, run.logins, run.logins == 1 ? "" : "s", run.security_events,
        run.security_events == 1 ? "" : "s", every_batch_logins,
        every_batch_logins / static_cast<double>(std::max<std::size_t>(run.logins, 1)),
        run.peak_sessions, run.peak_sessions == 1 ? "" : "s", every_batch_sessions, run.sessions_left,
        static_cast<unsigned long long>(run.tally.failures));
    if (run.tally.failures != 0) std::printf("      first failure: %s\n", run.tally.first_failure.c_str());
}

// Many sensors with equal settings share one client and so one session; their release logs it out.
void report_shared_user(module_library& module, s7web_api_simulator& plc, int sensors) {
    start_sessions_anew(plc, {real_lifetime, session_cap});
    const std::size_t logins_before = plc.logins();
    const std::size_t logouts_before = plc.logouts();
    scan_tally tally;
    std::size_t held = 0;
    {
        const sensor_group group(module, kinds[0], plc.port(),
                                 std::vector<std::string>(static_cast<std::size_t>(sensors), "diag"));
        std::vector<scan_tally> per_thread(threads);
        std::vector<std::thread> workers;
        for (std::size_t t = 0; t < threads; ++t) {
            workers.emplace_back([&, t] {
                for (std::size_t i = t; i < group.ids().size(); i += threads)
                    scan_once(module, group.ids()[i], per_thread[t]);
            });
        }
        for (auto& worker : workers) worker.join();
        for (const auto& part : per_thread) tally.merge(part);
        held = plc.live_sessions();
    }
    std::printf(
        "  %d %s sensors sharing one user, one scan each from %d threads: %zu login%s, %zu session%s held "
        "(a login per batch: %d); once destroyed: %zu sessions left, %zu logout%s; %llu failed\n",
        sensors, kinds[0].label, threads, plc.logins() - logins_before, plc.logins() - logins_before == 1 ? "" : "s",
        held, held == 1 ? "" : "s", sensors, plc.live_sessions(), plc.logouts() - logouts_before,
        plc.logouts() - logouts_before == 1 ? "" : "s", static_cast<unsigned long long>(tally.failures));
    if (tally.failures != 0) std::printf("    first failure: %s\n", tally.first_failure.c_str());
}

// The plant scenario with a user for every sensor counted against the cap.
s7web_scenario plant_scenario() {
    s7web_scenario scenario = load_scenario_file(std::string(SCENARIOS_DIR) + "/plant_deep_hardware.json");
    // One more than the cap, so the count past it fails for want of a session, not of a user.
    for (int i = 0; i <= static_cast<int>(session_cap); ++i)
        scenario.users.push_back(web_api_user{capacity_user(i), password, {"read_diagnostics"}});
    return scenario;
}

}  // namespace

int main(int argc, char** argv) try {
    const milliseconds throughput_length(argc > 1 ? std::max(1, std::atoi(argv[1])) * 1000 : 2000);
    signal(SIGPIPE, SIG_IGN);
    const s7web_scenario scenario = plant_scenario();
    const int browse_depth = browses_below(scenario.hardware);
    // Before the module, so it is destroyed after it: the module's kept-alive connection would
    // otherwise hold up the server's shutdown.
    s7web_api_simulator plc(scenario);
    module_library module(MODULE_PATH);
    if (module.initialize_with(note_scan) != 0) throw std::runtime_error("module does not initialize");

    std::printf(
        "S7-1200/1500 sensors against the Web API simulator, HTTPS on 127.0.0.1, plant scenario:\n"
        "hardware tree %d levels deep, browse depth %d below the root's list (some children come "
        "with their parent)\n",
        tree_levels(scenario.hardware), browse_depth);

    std::printf("Throughput, %d threads, %.0f s per run, session cap lifted (lifetime %lld s):\n", threads,
                duration<double>(throughput_length).count(), static_cast<long long>(real_lifetime.count()));
    for (const kind& which : kinds) {
        std::printf("  %s (expected %d POSTs/scan):\n", which.label,
                    expected_posts(which, browse_depth));
        const throughput alone = measure_throughput(module, plc, which, 1, throughput_length);
        report_throughput(1, alone, alone.scans_per_second);
        report_throughput(shared_sensors,
                          measure_throughput(module, plc, which, shared_sensors, throughput_length),
                          alone.scans_per_second);
    }

    std::printf(
        "Sensors one CPU serves, each with its own user and client: session cap %zu, lifetime %lld s, "
        "interval %lld s,\nrun with both scaled down %dx (lifetime %lld ms, interval %lld ms), clean = %d "
        "lifetimes without a failed scan or refused login:\n",
        session_cap, static_cast<long long>(real_lifetime.count()),
        static_cast<long long>(real_interval.count()), time_scale,
        static_cast<long long>(scaled_lifetime.count()), static_cast<long long>(scaled_interval.count()),
        clean_lifetimes);
    for (const kind& which : kinds) report_capacity(module, plc, which);

    std::printf(
        "An hour at a %lld s interval, one sensor (one client) per kind, lifetime %lld s, both scaled down %dx "
        "(interval %lld ms, lifetime %lld ms):\n",
        static_cast<long long>(real_interval.count()), static_cast<long long>(real_lifetime.count()), hour_scale,
        static_cast<long long>(hour_interval.count()), static_cast<long long>(hour_lifetime.count()));
    for (const kind& which : kinds) report_hour(module, plc, which);
    report_shared_user(module, plc, 1000);

    module.cleanup();
    return 0;
} catch (const std::exception& error) {
    std::fprintf(stderr, "s7web_scan_driver: %s\n", error.what());
    return 1;
}
