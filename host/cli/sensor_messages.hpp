#pragma once

#include <filesystem>
#include <vector>

#include "host/cli/host_session.hpp"
#include "host/cli/host_state.hpp"
#include "host/cli/json.hpp"

namespace korvel::probekit::host {

// The host's side of one sensor during a run: the state file's record of it, brought up to date with
// every batch of messages and saved whenever it changed, so an interrupted run loses nothing.
class sensor_messages {
public:
    // Prints the raw messages when raw_out is given (see collect_messages).
    sensor_messages(const host_session& session, std::filesystem::path state_file, const std::string& kind,
                    int id, std::ostream* raw_out);

    sensor_record& sensor() { return sensor_; }

    // The messages since the last call, after taking in this sensor's persistent data and channels.
    std::vector<json> take();

private:
    const host_session& session_;
    std::filesystem::path state_file_;
    host_state state_;
    sensor_record& sensor_;
    int id_;
    std::ostream* raw_out_;
};

}  // namespace korvel::probekit::host
