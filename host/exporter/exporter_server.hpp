#pragma once

// `s7host serve`: the HTTP side of the exporter. GET /probe?target=...&profile=... (or &kind=...)
// answers one sensor's scan as metrics, /metrics the exporter's own, /-/healthy that it runs. The
// configuration is reloaded on request; the sensors of targets and profiles that changed go.

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "host/cli/commands.hpp"

namespace korvel::probekit::host {

struct serve_options {
    std::string address = "127.0.0.1";
    int port = 0;  // 0: a free one
    std::optional<std::filesystem::path> config_file;
    std::filesystem::path state_directory;
    std::size_t most_sensors = 10000;
};

class exporter_server {
public:
    // Reads the configuration and binds the address; throws config_error or std::runtime_error.
    exporter_server(module_session& session, serve_options options);
    ~exporter_server();
    exporter_server(const exporter_server&) = delete;
    exporter_server& operator=(const exporter_server&) = delete;

    int port() const;

    // Serves until `stop` is requested, reloading the configuration each time a reload is asked
    // for; then waits for the scrapes in progress.
    void serve(const interruption& stop);

    // Reads the configuration file again; on an error the old one stays and the error is returned.
    std::optional<std::string> reload();

private:
    struct state;
    std::unique_ptr<state> state_;
};

// "127.0.0.1:9847", "[::1]:9847", ":9847" (127.0.0.1); throws usage_error.
serve_options listen_address(const std::string& text);

}  // namespace korvel::probekit::host
