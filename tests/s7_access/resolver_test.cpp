// Host-name resolution through asio, on names this machine resolves itself.

#include "libtcp/resolver.hpp"

#include <gtest/gtest.h>

#include "libtcp/exceptions.hpp"

namespace {

namespace libtcp = korvel::probekit::libtcp;

TEST(resolver, resolves_within_the_requested_family) {
    struct row {
        libtcp::ip_family family;
        const char* host;
        std::vector<std::string> addresses;
    };
    const std::vector<row> rows = {
        {libtcp::ip_family::ipv4, "localhost", {"127.0.0.1"}},
        {libtcp::ip_family::ipv4, "127.0.0.1", {"127.0.0.1"}},
        {libtcp::ip_family::any, "127.0.0.1", {"127.0.0.1"}},
        {libtcp::ip_family::ipv6, "::1", {"::1"}},
        {libtcp::ip_family::any, "::1", {"::1"}},
    };
    for (const auto& [family, host, addresses] : rows) {
        SCOPED_TRACE(host);
        EXPECT_EQ(libtcp::resolver().resolve({family, host, 102}), addresses);
    }
}

TEST(resolver, a_name_without_an_address_of_the_family_is_not_found) {
    struct row {
        libtcp::ip_family family;
        const char* host;
    };
    const std::vector<row> rows = {
        {libtcp::ip_family::any, "no-such-host.invalid"},
        {libtcp::ip_family::ipv4, "::1"},
        {libtcp::ip_family::ipv6, "127.0.0.1"},
    };
    for (const auto& [family, host] : rows) {
        SCOPED_TRACE(host);
        try {
            libtcp::resolver().resolve({family, host, 102});
            ADD_FAILURE() << "no exception";
        } catch (const libtcp::exceptions::could_not_resolve_host_name& error) {
            EXPECT_EQ(error.what(),
                      "IP address for \"" + std::string(host) +
                          "\" could not be found. Check the IP address and DNS name in the settings "
                          "of the parent device.");
        }
    }
}

}  // namespace
