#include "framework/messaging/module_information_message.hpp"

#include "framework/messaging/wire_format.hpp"

namespace korvel::probekit::libvexahelper::messaging {

module_information_message::module_information_message(std::string descriptor, bool include_texts)
    : descriptor_(std::move(descriptor)), include_texts_(include_texts) {}

// The descriptor travels as a JSON string, so the host gets back exactly the bytes the module gave,
// whatever their formatting; the flag is only carried along.
void module_information_message::serialize(std::string& out) const {
    wire::document message = wire::make_document("module_information");
    message["include_texts"] = include_texts_;
    message["descriptor"] = descriptor_;
    wire::write_exact(message, out);
}

}  // namespace korvel::probekit::libvexahelper::messaging
