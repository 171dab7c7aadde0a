#include "host/cli/module_messages.hpp"

namespace korvel::probekit::host {

std::vector<json> collect_messages(module_library& module, const log_writer& logs, std::ostream* raw_out) {
    std::vector<json> messages;
    for (const auto& bytes : module.take_messages()) {
        if (raw_out != nullptr) *raw_out << bytes << '\n';
        auto message = json::parse(bytes);
        if (message.value("type", "") == "log") {
            logs.write(message);
        } else {
            messages.push_back(std::move(message));
        }
    }
    return messages;
}

}  // namespace korvel::probekit::host
