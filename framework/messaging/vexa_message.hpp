#pragma once

#include <cstdint>
#include <vector>

namespace korvel::probekit::libvexahelper::messaging {

// Every message to the host serialises itself into one self-describing JSON document (docs/host-protocol.md).
class vexa_message {
public:
    virtual ~vexa_message() = default;
    virtual std::vector<std::uint8_t> serialize() const = 0;
};

}  // namespace korvel::probekit::libvexahelper::messaging
