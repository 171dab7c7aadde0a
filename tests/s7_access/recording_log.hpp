#pragma once

#include <string>
#include <vector>

#include "liblog/log_interface.hpp"

namespace s7_access_test {

struct log_line {
    int level = 0;
    std::string text;
    bool operator==(const log_line&) const = default;
};

// Keeps every line so tests can check levels and exact texts.
class recording_log final : public korvel::probekit::liblog::log_interface {
public:
    void log(int level, const std::string& message) override { lines.push_back({level, message}); }

    std::vector<std::string> at_level(int level) const {
        std::vector<std::string> texts;
        for (const auto& line : lines) {
            if (line.level == level) texts.push_back(line.text);
        }
        return texts;
    }

    std::vector<log_line> lines;
};

}  // namespace s7_access_test
