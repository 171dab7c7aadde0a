#pragma once

#include <cstdint>
#include <functional>

namespace korvel::probekit::libstringutils {

// Boost-style step over a 32-bit seed, whatever size_t is, so a settings key (a shared instance's key
// in the service container) hashes alike on 32- and 64-bit builds.
inline void combine_hash(std::uint32_t& seed, std::uint32_t field_hash) {
    seed ^= field_hash + 0x9e3779b9U + (seed << 6) + (seed >> 2);
}

template <typename Value>
void combine(std::uint32_t& seed, const Value& value) {
    combine_hash(seed, static_cast<std::uint32_t>(std::hash<Value>()(value)));
}

}  // namespace korvel::probekit::libstringutils
