#pragma once

#include <filesystem>
#include <optional>

#include "host/cli/json.hpp"

namespace korvel::probekit::host {

// Writes the module's log messages into a directory: the runtime log to module.log, a sensor's to
// sensor-<id>.log, one time-stamped line per message. Without a directory the lines are dropped.
class log_writer {
public:
    explicit log_writer(std::optional<std::filesystem::path> directory);

    void write(const json& log_message) const;

private:
    std::optional<std::filesystem::path> directory_;
};

}  // namespace korvel::probekit::host
