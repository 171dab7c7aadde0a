#include "host/cli/sensor_messages.hpp"

#include "host/cli/module_messages.hpp"
#include "host/cli/state_file.hpp"

namespace korvel::probekit::host {

sensor_messages::sensor_messages(const host_session& session, std::filesystem::path state_file,
                                 const std::string& kind, int id, std::ostream* raw_out)
    : session_(session),
      state_file_(std::move(state_file)),
      state_(load_state(state_file_)),
      sensor_(state_.sensor(kind, id)),
      id_(id),
      raw_out_(raw_out) {}

std::vector<json> sensor_messages::take() {
    auto messages = collect_messages(session_.module, session_.logs, raw_out_);
    bool changed = false;
    for (const auto& message : messages) {
        if (message.value("sensor_id", -1) == id_) changed = sensor_.apply(message) || changed;
    }
    if (changed) save_state(state_, state_file_);
    return messages;
}

}  // namespace korvel::probekit::host
