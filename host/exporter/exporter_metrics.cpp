#include "host/exporter/exporter_metrics.hpp"

#include <prometheus/counter.h>
#include <prometheus/gauge.h>
#include <prometheus/histogram.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

namespace korvel::probekit::host {

struct exporter_metrics::families {
    prometheus::Registry registry;
    prometheus::Family<prometheus::Counter>& scans =
        prometheus::BuildCounter().Name("s7host_scans_total").Help("Scans served by /probe, by sensor kind").Register(registry);
    prometheus::Family<prometheus::Counter>& failures =
        prometheus::BuildCounter()
            .Name("s7host_scan_failures_total")
            .Help("Scans that failed, by sensor kind and reason (the error's catalogue key, or s7host's own)")
            .Register(registry);
    prometheus::Family<prometheus::Histogram>& durations =
        prometheus::BuildHistogram()
            .Name("s7host_scan_duration_seconds")
            .Help("How long scans took, by sensor kind")
            .Register(registry);
    prometheus::Counter& created =
        prometheus::BuildCounter()
            .Name("s7host_sensors_created_total")
            .Help("Sensor instances created: at a target and profile's first scrape, and when its settings changed")
            .Register(registry)
            .Add({});
    prometheus::Family<prometheus::Counter>& reloads =
        prometheus::BuildCounter()
            .Name("s7host_config_reloads_total")
            .Help("Reloads of the configuration file (SIGHUP), by result")
            .Register(registry);
    prometheus::Gauge& last_reload_successful =
        prometheus::BuildGauge()
            .Name("s7host_config_last_reload_successful")
            .Help("1 when the last reload of the configuration file succeeded")
            .Register(registry)
            .Add({});
    prometheus::Gauge& gauge(const std::string& name, const std::string& help) {
        return prometheus::BuildGauge().Name(name).Help(help).Register(registry).Add({});
    }
    prometheus::Gauge& sensors = gauge("s7host_sensors", "Sensor instances the exporter keeps");
    prometheus::Gauge& s7_links =
        gauge("s7host_s7_links", "S7 links the sensors hold whose last scan answered (one per connection)");
    prometheus::Gauge& web_api_clients =
        gauge("s7host_web_api_clients", "Web API clients the sensors hold (one per host, port and user)");
    prometheus::Gauge& web_api_sessions =
        gauge("s7host_web_api_sessions", "Web API clients whose session is still live (used within 90 s)");
};

exporter_metrics::exporter_metrics() : families_(std::make_unique<families>()) {
    families_->last_reload_successful.Set(1);
}

exporter_metrics::~exporter_metrics() = default;

void exporter_metrics::count_scrape(const scrape_result& scrape) {
    // Buckets from a LAN round trip to a scan that runs into a default scrape timeout.
    static const prometheus::Histogram::BucketBoundaries buckets{0.005, 0.01, 0.025, 0.05, 0.1, 0.25,
                                                                 0.5,   1,    2.5,   5,    10,  30};
    families_->scans.Add({{"kind", scrape.kind}}).Increment();
    families_->durations.Add({{"kind", scrape.kind}}, buckets).Observe(scrape.duration_seconds);
    if (scrape.created) families_->created.Increment();
    if (!scrape.up) families_->failures.Add({{"kind", scrape.kind}, {"reason", scrape.reason}}).Increment();
}

void exporter_metrics::count_reload(bool succeeded) {
    families_->reloads.Add({{"result", succeeded ? "success" : "failure"}}).Increment();
    families_->last_reload_successful.Set(succeeded ? 1 : 0);
}

std::string exporter_metrics::exposition(const pool_figures& figures) {
    families_->sensors.Set(static_cast<double>(figures.sensors));
    families_->s7_links.Set(static_cast<double>(figures.s7_links));
    families_->web_api_clients.Set(static_cast<double>(figures.web_api_clients));
    families_->web_api_sessions.Set(static_cast<double>(figures.web_api_sessions));
    return prometheus::TextSerializer().Serialize(families_->registry.Collect());
}

}  // namespace korvel::probekit::host
