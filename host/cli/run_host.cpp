#include "host/cli/run_host.hpp"

#include "host/cli/check_command.hpp"
#include "host/cli/demo_command.hpp"
#include "host/cli/command_line.hpp"
#include "host/cli/info_command.hpp"
#include "host/cli/module_location.hpp"
#include "host/cli/module_messages.hpp"
#include "host/cli/scan_command.hpp"
#include "host/cli/severity.hpp"
#include "host/cli/usage_error.hpp"

namespace korvel::probekit::host {
namespace {

int run_command(const host_session& session, const command_line& command) {
    if (const auto* scan = std::get_if<scan_options>(&command.command)) {
        return scan_command(session, command.global.state_file, *scan);
    }
    if (const auto* check = std::get_if<check_options>(&command.command)) return check_command(session, *check);
    if (std::holds_alternative<demo_options>(command.command)) return demo_command(session, command.global.state_file);
    return info_command(session);
}

}  // namespace

int run_host(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    const int failure = exit_status(severity::unknown);
    try {
        const auto command = parse_command_line(arguments);
        module_library module(command.global.module_path.value_or(default_module_path()).string());
        if (module.initialize() != 0) {
            err << "s7host: the module refused to initialise\n";
            return failure;
        }
        const auto information = json::parse(module.module_information(true));
        const auto descriptor = json::parse(information.at("descriptor").get<std::string>());
        const translator texts(descriptor, command.global.language);
        const log_writer logs(command.global.log_directory);
        collect_messages(module, logs, nullptr);  // the runtime log of the calls so far
        return run_command({module, descriptor, texts, logs, out, err}, command);
    } catch (const usage_error& error) {
        err << "s7host: " << error.what() << '\n' << usage_text();
    } catch (const std::exception& error) {
        err << "s7host: " << error.what() << '\n';
    }
    return failure;
}

}  // namespace korvel::probekit::host
