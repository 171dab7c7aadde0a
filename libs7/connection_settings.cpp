#include "libs7/connection_settings.hpp"

#include <functional>

namespace {

// The seed is 32 bits wide whatever size_t is, so a key hashes alike on 32- and 64-bit builds.
template <typename Value>
void combine(std::uint32_t& seed, const Value& value) {
    const auto field_hash = static_cast<std::uint32_t>(std::hash<Value>()(value));
    seed ^= field_hash + 0x9e3779b9U + (seed << 6) + (seed >> 2);
}

}  // namespace

std::size_t std::hash<korvel::probekit::libs7::connection_settings>::operator()(
    const korvel::probekit::libs7::connection_settings& settings) const noexcept {
    std::uint32_t seed = 0;
    combine(seed, settings.host);
    combine(seed, settings.port);
    combine(seed, settings.rack);
    combine(seed, settings.slot);
    combine(seed, settings.receive_timeout.count());
    return seed;
}
