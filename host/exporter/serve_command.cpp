// serve: runs the exporter until SIGINT or SIGTERM, reloading its configuration on SIGHUP.

#include <cstdlib>

#include "host/cli/commands.hpp"
#include "host/cli/state_store.hpp"
#include "host/exporter/exporter_server.hpp"

namespace korvel::probekit::host {

int serve_command(module_session& session, const command_line& options, std::ostream& out, std::ostream& err,
                  const interruption& stop) {
    constexpr int cannot_run = 3;
    try {
        serve_options chosen = listen_address(options.listen);
        chosen.config_file = options.config_file;
        chosen.most_sensors = static_cast<std::size_t>(options.most_sensors);
        chosen.state_directory =
            options.state_directory ? *options.state_directory : default_state_directory(::getenv, err);
        stop.accept_reloads();
        exporter_server server(session, chosen);
        // Scripts and tests read where it listens from the first line.
        out << "s7host serve listening on " << chosen.address << ":" << server.port() << std::endl;
        server.serve(stop);
        return 0;
    } catch (const std::exception& error) {
        err << "s7host: " << error.what() << '\n';
        return cannot_run;
    }
}

}  // namespace korvel::probekit::host
