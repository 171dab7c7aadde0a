#pragma once

#include <string>

namespace korvel::probekit::libvexahelper::sensors {

class sensor_interface {
public:
    virtual ~sensor_interface() = default;
    virtual int get_id() const = 0;
    virtual void log(int level, const std::string& message) = 0;
    virtual void log(const std::string& message) = 0;
    virtual void scan() = 0;
};

}  // namespace korvel::probekit::libvexahelper::sensors
