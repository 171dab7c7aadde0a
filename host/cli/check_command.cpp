#include "host/cli/check_command.hpp"

#include "host/cli/descriptor_settings.hpp"
#include "host/cli/export_failure.hpp"
#include "host/cli/module_messages.hpp"
#include "host/cli/settings_block.hpp"
#include "host/cli/severity.hpp"

namespace korvel::probekit::host {
namespace {

const json* find_check_result(const std::vector<json>& messages, int id) {
    for (const auto& message : messages) {
        if (message.value("type", "") == "check_result" && message.value("check_id", -1) == id)
            return &message;
    }
    return nullptr;
}

}  // namespace

int check_command(const host_session& session, const check_options& options) {
    const json block = build_settings_block(
        {options.kind, settings_of_kind(session.descriptor, options.kind), options.assignments, nullptr});
    const int code = session.module.check(options.id, block.dump());
    const auto messages = collect_messages(session.module, session.logs, nullptr);
    const json* result = find_check_result(messages, options.id);
    if (result == nullptr) {
        session.err << "s7host: " << check_failure_text(code, options.kind, session.descriptor) << '\n';
        return exit_status(severity::unknown);
    }
    if (result->value("success", false)) {
        session.out << "Check " << options.kind << ": OK\n";
        return exit_status(severity::ok);
    }
    session.out << "Check " << options.kind << " failed";
    if (result->contains("message")) session.out << ": " << session.texts.message(result->at("message"));
    session.out << '\n';
    return exit_status(severity::error);
}

}  // namespace korvel::probekit::host
