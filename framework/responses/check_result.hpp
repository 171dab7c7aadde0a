#pragma once

#include <optional>

#include "framework/messaging/vexa_message.hpp"
#include "libi18n/i18n_msg.hpp"

namespace korvel::probekit::libvexahelper::responses {

class check_result final : public messaging::vexa_message {
public:
    explicit check_result(int check_id);

    void set_success(bool success) { success_ = success; }
    // Why a check failed, for the host to show next to the outcome.
    void set_message(libi18n::i18n_msg message) { message_ = std::move(message); }
    void serialize(std::string& out) const override;

private:
    int check_id_;
    bool success_ = false;
    std::optional<libi18n::i18n_msg> message_;
};

}  // namespace korvel::probekit::libvexahelper::responses
