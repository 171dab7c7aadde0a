#include "host/cli/log_writer.hpp"

#include <array>
#include <chrono>
#include <ctime>
#include <fstream>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <string>

namespace korvel::probekit::host {
namespace {

std::string time_stamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    std::ostringstream out;
    out << std::put_time(&local, "%Y-%m-%d %H:%M:%S") << '.' << std::setw(3) << std::setfill('0')
        << milliseconds;
    return out.str();
}

// Syslog severities, as the module uses them.
std::string level_name(int level) {
    static const std::array<const char*, 8> names{"emergency", "alert",  "critical", "error",
                                                  "warning",   "notice", "info",     "trace"};
    return level >= 0 && level < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(level)]
                                                                : "level " + std::to_string(level);
}

}  // namespace

log_writer::log_writer(std::optional<std::filesystem::path> directory) : directory_(std::move(directory)) {
    if (directory_) std::filesystem::create_directories(*directory_);
}

void log_writer::write(const json& log_message) const {
    if (!directory_) return;
    const std::string file = log_message.contains("sensor_id")
                                 ? "sensor-" + std::to_string(log_message.at("sensor_id").get<int>()) + ".log"
                                 : "module.log";
    std::ofstream out(*directory_ / file, std::ios::app);
    out << time_stamp() << ' ' << level_name(log_message.value("level", -1)) << ' '
        << log_message.value("text", "") << '\n';
    if (!out) throw std::runtime_error("cannot write the log file " + (*directory_ / file).string());
}

}  // namespace korvel::probekit::host
