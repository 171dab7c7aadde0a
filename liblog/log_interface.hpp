#pragma once

#include <string>

namespace korvel::probekit::liblog {

// Level 7 is trace (banners, settings dumps, begin/end lines), 4 data corrections, 3 failed reads, 0 failed checks.
class log_interface {
public:
    virtual ~log_interface() = default;
    virtual void log(int level, const std::string& message) = 0;
};

}  // namespace korvel::probekit::liblog
