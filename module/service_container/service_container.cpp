#include "module/service_container/service_container.hpp"

namespace korvel::probekit::libvexahelper::module {

service_container::service_container() = default;

// By the time the members go, no weak reference to the container can be locked any more, so a log
// destroyed with the instances (or a sensor logging from its destructor) drops its line instead of
// reaching back into a half-destroyed container.
service_container::~service_container() = default;

}  // namespace korvel::probekit::libvexahelper::module
