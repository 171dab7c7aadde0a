#include "host/cli/demo_command.hpp"

#include "host/cli/scan_command.hpp"
#include "host/cli/severity.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace korvel::probekit::host {
namespace {

using simulators::cpu_state;

scan_options demo_scan(const std::string& kind, int id, std::uint16_t port) {
    scan_options options;
    options.kind = kind;
    options.id = id;
    options.assignments = {{"host", "127.0.0.1"},
                           {"connection_section.port", std::to_string(port)},
                           {"connection_section.rack", "0"},
                           {"connection_section.slot", "2"}};
    return options;
}

}  // namespace

int demo_command(const host_session& session, const std::filesystem::path& state_file) {
    simulators::s7_cpu_simulator plc;
    session.out << "Simulated S7-300 CPU listening on 127.0.0.1:" << plc.port() << "\n\n";

    auto cpu_status = demo_scan("simatic_s7_300_400_cpu_status_sensor", 1, plc.port());
    cpu_status.assignments.push_back({"simatic_s7_300_400_cpu_status_section.max_ob1_cycle_time_ms", "10"});
    const scan_options scans[] = {
        demo_scan("simatic_s7_300_400_led_status_sensor", 2, plc.port()),
        demo_scan("simatic_s7_300_400_cpu_restart_overview_sensor", 3, plc.port()),
    };

    bool every_scan_answered = true;
    const auto run = [&](const std::string& title, const scan_options& options) {
        session.out << "== " << title << " ==\n";
        every_scan_answered &= scan_command(session, state_file, options) != exit_status(severity::unknown);
        session.out << '\n';
    };
    run("CPU status, CPU in RUN", cpu_status);
    plc.set_cpu_state(cpu_state::stop);
    run("CPU status, CPU switched to STOP", cpu_status);
    plc.set_cpu_state(cpu_state::run);
    run("LED status", scans[0]);
    run("Restart overview (restarts are counted once: run the demo again and they stay)", scans[1]);
    return every_scan_answered ? 0 : exit_status(severity::unknown);
}

}  // namespace korvel::probekit::host
