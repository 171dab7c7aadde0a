#pragma once

#include <string>

namespace korvel::probekit::libvexahelper::messaging {

// Every message to the host serialises itself into one self-describing JSON document (docs/host-protocol.md).
class vexa_message {
public:
    virtual ~vexa_message() = default;
    // Replaces out's content with the message's UTF-8 bytes; a reused buffer keeps its capacity.
    virtual void serialize(std::string& out) const = 0;
};

}  // namespace korvel::probekit::libvexahelper::messaging
