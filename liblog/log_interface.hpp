#pragma once

#include <string>

namespace korvel::probekit::liblog {

// Levels are those of liblog/log_levels.hpp.
class log_interface {
public:
    virtual ~log_interface() = default;
    virtual void log(int level, const std::string& message) = 0;
};

}  // namespace korvel::probekit::liblog
