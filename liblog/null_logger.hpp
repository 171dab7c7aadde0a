#pragma once

#include <memory>

#include "liblog/log_interface.hpp"

namespace korvel::probekit::liblog {

// Stands in for a sensor's log while logging is disabled: every line is dropped.
class null_logger final : public log_interface {
public:
    void log(int, const std::string&) override {}
    bool enabled() const override { return false; }

    // One stateless instance per process, created on first use.
    static std::shared_ptr<log_interface> shared() {
        static const std::shared_ptr<log_interface> instance = std::make_shared<null_logger>();
        return instance;
    }
};

}  // namespace korvel::probekit::liblog
