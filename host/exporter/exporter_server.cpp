#include "host/exporter/exporter_server.hpp"

#include <httplib.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <shared_mutex>
#include <thread>

#include "host/cli/command_line.hpp"
#include "host/exporter/exporter_config.hpp"
#include "host/exporter/exporter_metrics.hpp"
#include "host/exporter/probe_request.hpp"
#include "host/exporter/sensor_pool.hpp"

namespace korvel::probekit::host {
namespace {

// Prometheus's default scrape timeout, for a request that does not say its own.
constexpr double default_scrape_timeout_seconds = 10;
// Left of the scrape's timeout for rendering and the answer's way back, as other exporters do.
constexpr double deadline_margin_seconds = 0.5;
// Scrapes served at once; a hung PLC holds one per scrape of it until its timeout.
constexpr std::size_t worker_threads = 64;

const std::string text_plain = "text/plain; charset=utf-8";

// The scrape's own timeout, bounded to what the module accepts (1 s to a day).
double scrape_timeout(const httplib::Request& request) {
    const std::string header = request.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
    double seconds = 0;
    const auto [end, error] = std::from_chars(header.data(), header.data() + header.size(), seconds);
    if (header.empty() || error != std::errc() || end != header.data() + header.size() || !(seconds > 0))
        return default_scrape_timeout_seconds;
    return std::min(seconds, 86400.0);
}

bool wants_openmetrics(const httplib::Request& request) {
    return request.get_header_value("Accept").find("application/openmetrics-text") != std::string::npos;
}

// The first two lines of an instance key: the target, and "profile NAME" or "kind KIND".
std::pair<std::string, std::string> instance_parts(const std::string& instance) {
    const auto first = instance.find('\n');
    const auto second = instance.find('\n', first + 1);
    return {instance.substr(0, first), instance.substr(first + 1, second - first - 1)};
}

template <typename Map>
bool entry_changed(const Map& before, const Map& after, const std::string& name) {
    const auto old_entry = before.find(name);
    const auto new_entry = after.find(name);
    if (old_entry == before.end() || new_entry == after.end())
        return (old_entry == before.end()) != (new_entry == after.end());
    return !(old_entry->second == new_entry->second);
}

}  // namespace

struct exporter_server::state {
    module_session& session;
    serve_options options;
    std::shared_mutex config_mutex;
    std::shared_ptr<const exporter_config> config;
    sensor_pool pool;
    exporter_metrics metrics;
    httplib::Server server;
    // Each sensor kind's settings, read from the descriptor once rather than at every scrape.
    std::map<std::string, std::vector<setting_description>> kinds;

    state(module_session& session_, serve_options options_)
        : session(session_), options(std::move(options_)), pool(session_, options.state_directory, options.most_sensors) {
        for (const auto& [kind, entry] : session.descriptor().at("Sensors").items())
            kinds.emplace(kind, settings_for(session, kind, true));
    }

    const std::vector<setting_description>& settings_of(const std::string& kind) const {
        const auto found = kinds.find(kind);
        if (found != kinds.end()) return found->second;
        settings_for(session, kind, true);  // throws, naming the closest kinds
        throw usage_error("unknown sensor kind \"" + kind + "\"");
    }

    std::shared_ptr<const exporter_config> current_config() {
        std::shared_lock lock(config_mutex);
        return config;
    }

    // The file, checked against the module: every profile's kind a sensor, every setting one of its.
    exporter_config read_config() const {
        if (!options.config_file) return {};
        auto loaded = load_exporter_config(*options.config_file);
        for (const auto& [name, profile] : loaded.profiles) {
            std::vector<setting_description> settings;
            try {
                settings = settings_for(session, profile.kind, true);
            } catch (const std::exception& error) {
                throw config_error(options.config_file->string() + ": profile " + name + ": " + error.what());
            }
            std::vector<std::string> keys;
            for (const auto& setting : settings) keys.push_back(setting.key);
            for (const auto& [key, value] : profile.settings) {
                if (std::ranges::find(keys, key) == keys.end())
                    throw config_error(options.config_file->string() + ": profile " + name + ": unknown setting \"" +
                                       key + "\" for " + profile.kind + did_you_mean(key, keys) + " (s7host info " +
                                       profile.kind + " lists its settings)");
            }
        }
        return loaded;
    }

    void probe(const httplib::Request& request, httplib::Response& response) {
        const auto started = std::chrono::steady_clock::now();
        const double timeout = scrape_timeout(request);
        const double budget = std::max(timeout - deadline_margin_seconds, timeout / 2);
        const auto deadline = started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                            std::chrono::duration<double>(budget));
        const auto scan_timeout = std::chrono::seconds(std::max<long long>(1, static_cast<long long>(std::floor(budget))));
        const auto format = wants_openmetrics(request) ? exposition_format::openmetrics : exposition_format::prometheus_text;
        try {
            const auto plan = plan_probe(
                std::multimap<std::string, std::string>(request.params.begin(), request.params.end()),
                *current_config(),
                [this](const std::string& kind) -> const std::vector<setting_description>& { return settings_of(kind); },
                ::getenv);
            const auto scrape = pool.probe(plan, scan_timeout, deadline, format);
            metrics.count_scrape(scrape);
            response.set_content(scrape.body, format == exposition_format::openmetrics
                                                  ? std::string(openmetrics_content_type)
                                                  : std::string(prometheus_text_content_type));
        } catch (const std::exception& error) {  // the request names what cannot be scanned
            response.status = 400;
            response.set_content(std::string(error.what()) + "\n", text_plain);
        }
    }

    void drop_changed(const exporter_config& before, const exporter_config& after) {
        pool.drop_if([&](const std::string& instance) {
            const auto [target, chosen] = instance_parts(instance);
            const std::string profile_prefix = "profile ";
            return entry_changed(before.targets, after.targets, target) ||
                   (chosen.starts_with(profile_prefix) &&
                    entry_changed(before.profiles, after.profiles, chosen.substr(profile_prefix.size())));
        });
    }
};

serve_options listen_address(const std::string& text) {
    serve_options options;
    const auto colon = text.rfind(':');
    const bool bracketed = text.starts_with('[');
    if (colon == std::string::npos || colon == 0 || (bracketed && text[colon - 1] != ']'))
        throw usage_error("--listen expects ADDRESS:PORT (127.0.0.1:9847, [::1]:9847), not \"" + text + "\"");
    options.address = bracketed ? text.substr(1, colon - 2) : text.substr(0, colon);
    const std::string port = text.substr(colon + 1);
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), options.port);
    if (port.empty() || error != std::errc() || end != port.data() + port.size() || options.port < 0 ||
        options.port > 65535)
        throw usage_error("--listen expects a port of 0 to 65535, not \"" + port + "\"");
    return options;
}

exporter_server::exporter_server(module_session& session, serve_options options)
    : state_(std::make_unique<state>(session, std::move(options))) {
    state_->config = std::make_shared<const exporter_config>(state_->read_config());
    auto& server = state_->server;
    server.new_task_queue = [] { return new httplib::ThreadPool(worker_threads); };
    // An answer leaves in more than one write; without this, Nagle's algorithm holds the last one
    // until the scraper's delayed acknowledgement, 40 ms per scrape on a kept-alive connection.
    server.set_tcp_nodelay(true);
    server.Get("/probe", [this](const httplib::Request& request, httplib::Response& response) {
        state_->probe(request, response);
    });
    server.Get("/metrics", [this](const httplib::Request&, httplib::Response& response) {
        response.set_content(state_->metrics.exposition(state_->pool.figures()),
                             std::string(prometheus_text_content_type));
    });
    server.Get("/-/healthy", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("OK\n", text_plain);
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(
            "s7host serve: /probe?target=NAME&profile=NAME (or &kind=KIND), /metrics, /-/healthy\n", text_plain);
    });
    auto& chosen = state_->options;
    const int requested = chosen.port;
    const bool bound = requested == 0 ? (chosen.port = server.bind_to_any_port(chosen.address)) > 0
                                      : server.bind_to_port(chosen.address, requested);
    if (!bound)
        throw std::runtime_error("cannot listen on " + chosen.address + ":" + std::to_string(requested) +
                                 " (in use, or not an address of this machine; choose another with --listen)");
}

exporter_server::~exporter_server() = default;

int exporter_server::port() const {
    return state_->options.port;
}

std::optional<std::string> exporter_server::reload() {
    try {
        auto loaded = std::make_shared<const exporter_config>(state_->read_config());
        std::shared_ptr<const exporter_config> before;
        {
            std::unique_lock lock(state_->config_mutex);
            before = std::exchange(state_->config, loaded);
        }
        state_->drop_changed(*before, *loaded);
        state_->metrics.count_reload(true);
        return std::nullopt;
    } catch (const std::exception& error) {
        state_->metrics.count_reload(false);
        return error.what();
    }
}

void exporter_server::serve(const interruption& stop) {
    std::thread listener([this] { state_->server.listen_after_bind(); });
    std::uint64_t reloads_seen = stop.reloads();
    while (!stop.wait_for(std::chrono::milliseconds(100))) {
        if (stop.reloads() == reloads_seen) continue;
        reloads_seen = stop.reloads();
        if (const auto error = reload()) {
            state_->session.notices() << "s7host serve: the configuration stays as it was: " << *error << '\n';
        } else {
            state_->session.notices() << "s7host serve: configuration reloaded\n";
        }
    }
    state_->server.stop();
    listener.join();
}

}  // namespace korvel::probekit::host
