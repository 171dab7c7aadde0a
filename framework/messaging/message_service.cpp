#include "framework/messaging/message_service.hpp"

#include <limits>
#include <stdexcept>
#include <string>

#include "libi18n/error_keys.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::messaging {

message_service::message_service(sink deliver) : deliver_(std::move(deliver)) {
    if (!deliver_) throw std::invalid_argument("message_service: the sink must not be empty");
}

void message_service::send(const vexa_message& message) {
    // One buffer per thread, reused: a scan's messages allocate nothing once it has grown. A message
    // sent from inside the host callback gets a buffer of its own.
    thread_local std::string reused;
    thread_local bool reused_busy = false;
    std::string own;
    std::string& bytes = reused_busy ? own : reused;
    const bool took_reused = !reused_busy;
    reused_busy = true;
    struct release {
        bool active;
        ~release() {
            if (active) reused_busy = false;
        }
    } const release_reused{took_reused};
    message.serialize(bytes);
    // The host callback counts bytes in 32 bits.
    constexpr std::size_t limit = std::numeric_limits<std::uint32_t>::max();
    if (bytes.size() > limit) {
        throw utils::exceptions::exception(
            libi18n::make_msg(libi18n::error_keys::libvexahelper::message_too_long,
                              std::to_string(bytes.size()), std::to_string(limit)));
    }
    deliver_(bytes.data(), static_cast<unsigned>(bytes.size()));
}

}  // namespace korvel::probekit::libvexahelper::messaging
