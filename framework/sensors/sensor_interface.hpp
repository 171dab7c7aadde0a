#pragma once

#include <chrono>
#include <string>

#include "libdeadline/deadline.hpp"

namespace korvel::probekit::libvexahelper::sensors {

class sensor_interface {
public:
    virtual ~sensor_interface() = default;
    virtual int get_id() const = 0;
    virtual void log(int level, const std::string& message) = 0;
    virtual void log(const std::string& message) = 0;
    // How long one scan may take, from the moment the host asks for it (the `timeout` setting).
    virtual std::chrono::seconds scan_timeout() const = 0;
    // Answers the host before the deadline passes, with an error result when the work cannot finish.
    virtual void scan(const libdeadline::deadline& deadline) = 0;
};

}  // namespace korvel::probekit::libvexahelper::sensors
