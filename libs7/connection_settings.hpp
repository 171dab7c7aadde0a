#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace korvel::probekit::libs7 {

// Identifies one controller link; keys the service container's connection cache, so two sensors
// with equal settings share one snap7 client.
struct connection_settings {
    std::string host;  // dotted IPv4 address as the resolver returned it
    std::uint16_t port = 102;
    std::uint8_t rack = 0;
    std::uint8_t slot = 0;
    std::chrono::milliseconds receive_timeout{5000};

    bool operator==(const connection_settings&) const = default;
};

}  // namespace korvel::probekit::libs7

// Boost-style combination of the field hashes in the order host, port, rack, slot, timeout.
template <>
struct std::hash<korvel::probekit::libs7::connection_settings> {
    std::size_t operator()(const korvel::probekit::libs7::connection_settings& settings) const noexcept;
};
