#include "s7/s7web/acquire_s7web_client.hpp"

namespace korvel::probekit::s7::s7web {

std::shared_ptr<s7web_client> acquire_s7web_client(libvexahelper::module::service_container& container,
                                                   const s7web_target& target) {
    libresthelper::settings rest(libresthelper::url("https", target.host, target.port));
    rest.default_headers.emplace("Accept", "application/json");
    // No time-out of its own: each request may take what the scan's deadline leaves, so a sensor with
    // a long `timeout` can wait for a slow device and a short one is not cut by a fixed 30 s.
    rest.timeout = 0;
    rest.proxy = target.proxy;
    rest.certificate_validation = target.validation;
    auto rest_client = container.get<libresthelper::rest_interface>(rest);
    return container.get<s7web_client>(s7web_client_settings{std::move(rest_client), target.username, target.password});
}

}  // namespace korvel::probekit::s7::s7web
