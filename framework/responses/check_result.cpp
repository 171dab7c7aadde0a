#include "framework/responses/check_result.hpp"

#include "framework/messaging/wire_format.hpp"

namespace korvel::probekit::libvexahelper::responses {

check_result::check_result(int check_id) : check_id_(check_id) {}

std::vector<std::uint8_t> check_result::serialize() const {
    namespace wire = messaging::wire;
    wire::document message = wire::make_document("check_result");
    message["check_id"] = check_id_;
    message["success"] = success_;
    if (message_) message["message"] = wire::localisable(*message_);
    return wire::to_bytes(message);
}

}  // namespace korvel::probekit::libvexahelper::responses
