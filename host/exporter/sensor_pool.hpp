#pragma once

// serve's sensors: one module sensor instance per target and profile (or kind and parameters),
// created at its first scrape and kept, so its S7 link or Web API session and its state live from
// scrape to scrape; its state file is held for as long as the instance lives. Scrapes of different
// instances run in parallel; scrapes of one instance take turns, each waiting no longer than its own
// deadline.

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "host/cli/commands.hpp"
#include "host/cli/metric_exposition.hpp"
#include "host/exporter/probe_request.hpp"

namespace korvel::probekit::host {

struct pooled_sensor;

// One scrape's answer and what /metrics counts of it.
struct scrape_result {
    std::string body;
    std::string kind;
    bool up = false;
    std::string reason;  // why it failed: a catalogue key or a failure_reason
    double duration_seconds = 0;
    bool created = false;  // the scrape created the sensor instance (first scrape, changed settings)
};

// What the sensors hold, as far as the host can tell: links and clients are shared by every sensor
// with the same connection, so they are counted once per connection.
struct pool_figures {
    std::size_t sensors = 0;
    std::size_t s7_links = 0;          // S7 connections whose last scan succeeded
    std::size_t web_api_clients = 0;   // distinct Web API clients (host, port, user)
    std::size_t web_api_sessions = 0;  // clients used successfully within the CPU's session lifetime
};

class sensor_pool {
public:
    // The module and its descriptor stay with the session, which must outlive the pool. At most
    // `most_sensors` are kept: a new one takes the place of the one scraped least recently (its state
    // stays on disk for its next scrape), so URLs with ever new parameters cannot exhaust the host.
    sensor_pool(module_session& session, std::filesystem::path state_directory, std::size_t most_sensors);
    // Destroys every sensor; the module logs out of the Web API sessions no sensor holds any more.
    ~sensor_pool();
    sensor_pool(const sensor_pool&) = delete;
    sensor_pool& operator=(const sensor_pool&) = delete;

    // Scans the plan's sensor, creating it (or creating it anew when its settings changed), within
    // `scan_timeout` (whole seconds, the module's timeout setting) and waiting for a scan of the same
    // sensor no longer than `deadline`. Throws probe_error when the settings cannot be used.
    scrape_result probe(const probe_plan& plan, std::chrono::seconds scan_timeout,
                        std::chrono::steady_clock::time_point deadline, exposition_format format);

    // Destroys the sensors whose instance key the predicate picks (after a reload: targets and
    // profiles that changed or went away); each waits for its scan in progress.
    void drop_if(const std::function<bool(const std::string& instance)>& pick);

    pool_figures figures() const;

private:
    std::shared_ptr<pooled_sensor> entry_for(const std::string& instance);
    void destroy(pooled_sensor& sensor);

    module_session& session_;
    std::filesystem::path state_directory_;
    mutable std::mutex mutex_;  // the map and each entry's connection figures
    std::map<std::string, std::shared_ptr<pooled_sensor>> sensors_;
    int next_id_ = 1;
    std::size_t most_sensors_;
};

}  // namespace korvel::probekit::host
