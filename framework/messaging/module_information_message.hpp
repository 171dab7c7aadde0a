#pragma once

#include <string>

#include "framework/messaging/vexa_message.hpp"

namespace korvel::probekit::libvexahelper::messaging {

// Carries the module descriptor unchanged; the flag tells the host whether the texts were asked for.
class module_information_message final : public vexa_message {
public:
    module_information_message(std::string descriptor, bool include_texts);
    void serialize(std::string& out) const override;

private:
    std::string descriptor_;
    bool include_texts_;
};

}  // namespace korvel::probekit::libvexahelper::messaging
