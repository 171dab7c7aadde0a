#include "libs7/acquire_connection.hpp"

#include <vector>

#include "liblog/log_levels.hpp"
#include "libs7/connection_settings.hpp"
#include "libtcp/exceptions.hpp"
#include "libtcp/resolver_interface.hpp"

namespace korvel::probekit::libs7 {

namespace {

std::vector<std::string> resolve_ipv4(libvexahelper::module::service_container& container,
                                      const std::string& host, std::uint16_t port) {
    const auto resolver = container.create<libtcp::resolver_interface>();
    auto addresses = resolver->resolve({libtcp::ip_family::ipv4, host, port});
    // A name without any IPv4 address is as unusable as an unknown one.
    if (addresses.empty()) throw libtcp::exceptions::could_not_resolve_host_name(host);
    return addresses;
}

std::string join(const std::vector<std::string>& texts, const std::string& separator) {
    std::string joined;
    for (std::size_t i = 0; i < texts.size(); ++i) joined += (i == 0 ? "" : separator) + texts[i];
    return joined;
}

}  // namespace

std::shared_ptr<connection_interface> acquire_connection(libvexahelper::module::service_container& container,
                                                         const std::string& host, std::uint8_t rack,
                                                         std::uint8_t slot, std::uint16_t port,
                                                         std::chrono::milliseconds receive_timeout,
                                                         liblog::log_interface& log) {
    const auto addresses = resolve_ipv4(container, host, port);
    // No blank between the count and "addresses": trace readers match this line byte for byte.
    log.log(liblog::level::trace, "Found " + std::to_string(addresses.size()) +
                                      "addresses: " + join(addresses, ", ") + " (using first)");
    return container.get<connection_interface>(
        connection_settings{addresses.front(), port, rack, slot, receive_timeout});
}

}  // namespace korvel::probekit::libs7
