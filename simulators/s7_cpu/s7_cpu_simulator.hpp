#pragma once

#include <cstdint>
#include <memory>

namespace korvel::probekit::simulators {

enum class cpu_state { run, stop };

// snap7's server on 127.0.0.1: a CPU that answers the S7 protocol on a port of our choosing, so
// tests need neither root (port 102) nor a controller.
//
// The CPU it plays is snap7's built-in one, whose lists were recorded from a real S7-300 CPU:
// - 0x0424: operating mode RUN (8, run_solo), or STOP (4, stop_internal) after set_cpu_state;
// - 0x0222 index 1: OB1 cycle times previous 0 ms, minimum 0 ms, maximum 1 ms;
// - 0x0074: seven LEDs, SF, RUN, STOP, FRCE, BUS1F, BUS2F and MAINT; only RUN is lit (in STOP too),
//   none flashes;
// - 0x00A0: ten diagnostic entries of 1994-02-04, newest first: three manual warm restarts (0x1381 at
//   23:50:45.098, 23:51:21.884 and 23:52:16.387), each with its mode changes (0x4304 stop, 0x4301
//   start-up, 0x4302 run); no cycle-time overrun (0x3501);
// - 0x01A0: indexes 0 to 21 only; any other index, 500 among them, and any list it does not hold
//   is answered "item not available", which the snap7 client reports as "CPU : Item not available".
class s7_cpu_simulator {
public:
    // Starts listening at once: on the given port, or on a free one when port is 0.
    // Throws std::runtime_error when the server cannot start.
    explicit s7_cpu_simulator(std::uint16_t port = 0);
    ~s7_cpu_simulator();
    s7_cpu_simulator(s7_cpu_simulator&&) noexcept;
    s7_cpu_simulator& operator=(s7_cpu_simulator&&) noexcept;
    s7_cpu_simulator(const s7_cpu_simulator&) = delete;
    s7_cpu_simulator& operator=(const s7_cpu_simulator&) = delete;

    std::uint16_t port() const;

    // Stops listening and drops every client link, as a controller that went away.
    void stop();
    // Listens again on the same port.
    void start();

    // The operating mode the CPU reports in list 0x0424 (RUN after start-up).
    void set_cpu_state(cpu_state state);

    // Client links currently open.
    int client_count() const;

private:
    class impl;
    std::unique_ptr<impl> impl_;
};

}  // namespace korvel::probekit::simulators
