#include "framework/responses/check_result.hpp"

#include "framework/messaging/json_writer.hpp"

namespace korvel::probekit::libvexahelper::responses {

check_result::check_result(int check_id) : check_id_(check_id) {}

void check_result::serialize(std::string& out) const {
    namespace wire = messaging::wire;
    wire::json_writer json(out);
    json.begin_message("check_result").key("check_id").value(check_id_).key("success").value(success_);
    if (message_) json.key("message").value(*message_);
    json.end_object();
}

}  // namespace korvel::probekit::libvexahelper::responses
