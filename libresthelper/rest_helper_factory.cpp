#include "libresthelper/rest_helper_factory.hpp"

#include "libresthelper/impl_curl.hpp"

namespace korvel::probekit::libresthelper {

rest_helper_factory get_rest_helper_factory() {
    return [](const settings& client_settings) { return std::make_unique<impl_curl>(client_settings); };
}

}  // namespace korvel::probekit::libresthelper
