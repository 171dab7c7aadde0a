#pragma once

#include "module/sensors/check_base.hpp"
#include "s7/settings/s7web_settings.hpp"

namespace korvel::probekit::s7::s7web {

// Proves that the Web API accepts the configured credentials through the configured port, proxy and
// certificate validation, and that the user holds the right the sensors need: it probes the API once
// per client, logs in, reads the user's rights and logs out. The host sees only success or failure;
// why a check failed goes to the check's log.
class s7web_login_check : public libvexahelper::checks::check_base<settings::s7web_settings> {
public:
    static constexpr const char* kind_name = "s7web_login_check";

    using check_base::check_base;

    void check() override;
};

}  // namespace korvel::probekit::s7::s7web
