#pragma once

#include <string>

namespace korvel::probekit::libvexahelper::checks {

class check_interface {
public:
    virtual ~check_interface() = default;
    virtual int get_id() const = 0;
    virtual void log(const std::string& message) = 0;
    virtual void log(int level, const std::string& message) = 0;
    virtual void check() = 0;
};

}  // namespace korvel::probekit::libvexahelper::checks
