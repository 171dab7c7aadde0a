#include "libs7/connection_settings.hpp"

#include "libstringutils/hash_combine.hpp"

std::size_t std::hash<korvel::probekit::libs7::connection_settings>::operator()(
    const korvel::probekit::libs7::connection_settings& settings) const noexcept {
    using korvel::probekit::libstringutils::combine;
    std::uint32_t seed = 0;
    combine(seed, settings.host);
    combine(seed, settings.port);
    combine(seed, settings.rack);
    combine(seed, settings.slot);
    combine(seed, settings.receive_timeout.count());
    return seed;
}
