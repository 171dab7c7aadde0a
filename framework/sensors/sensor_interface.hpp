#pragma once

#include <chrono>
#include <string>

#include "framework/messaging/secret_mask.hpp"
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
    // The sensor's secret values, which no text of its scans may carry (see secret_mask_scope); none
    // unless the sensor says otherwise.
    virtual const messaging::secret_mask& secrets() const {
        static const messaging::secret_mask none({});
        return none;
    }
};

}  // namespace korvel::probekit::libvexahelper::sensors
