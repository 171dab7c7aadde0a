#pragma once

#include <string>

namespace korvel::probekit::liblog {

// Levels are those of liblog/log_levels.hpp.
class log_interface {
public:
    virtual ~log_interface() = default;
    virtual void log(int level, const std::string& message) = 0;
    // False when every line would be dropped: callers test it before formatting a line, so a scan
    // with logging off does no work for its log.
    virtual bool enabled() const { return true; }
};

}  // namespace korvel::probekit::liblog
