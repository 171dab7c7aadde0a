#include "libtcp/resolver_factory.hpp"

#include "libtcp/resolver.hpp"

namespace korvel::probekit::libtcp {

resolver_factory get_resolver_factory() {
    return [] { return std::make_unique<resolver>(); };
}

}  // namespace korvel::probekit::libtcp
