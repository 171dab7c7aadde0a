#pragma once

// serve's own metrics for /metrics, in a registry that lives as long as the exporter (each /probe
// renders its own scan instead): scans and their failures by reason, how long scans take, and the
// sensors, S7 links and Web API clients and sessions the exporter holds.

#include <memory>
#include <string>

#include "host/exporter/sensor_pool.hpp"

namespace korvel::probekit::host {

class exporter_metrics {
public:
    exporter_metrics();
    ~exporter_metrics();
    exporter_metrics(const exporter_metrics&) = delete;
    exporter_metrics& operator=(const exporter_metrics&) = delete;

    void count_scrape(const scrape_result& scrape);
    void count_reload(bool succeeded);

    // The classic text format, with the pool's figures as they are now.
    std::string exposition(const pool_figures& figures);

private:
    struct families;
    std::unique_ptr<families> families_;
};

}  // namespace korvel::probekit::host
