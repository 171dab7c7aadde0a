// Sharing of connections through the service container, and acquire_connection.

#include <gtest/gtest.h>

#include "libs7/acquire_connection.hpp"
#include "libs7/connection_factory.hpp"
#include "libs7/read_szl.hpp"
#include "libtcp/exceptions.hpp"
#include "libtcp/resolver_factory.hpp"
#include "module/service_container/service_container.hpp"
#include "recording_log.hpp"
#include "s7/records/cpu_status.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace libtcp = korvel::probekit::libtcp;
using namespace std::chrono_literals;

// Answers every query with the test's addresses.
struct canned_resolver final : libtcp::resolver_interface {
    explicit canned_resolver(const std::vector<std::string>& canned) : addresses(canned) {}
    std::vector<std::string> resolve(const libtcp::resolve_query&) override { return addresses; }
    const std::vector<std::string>& addresses;
};

class connection_cache_test : public ::testing::Test {
protected:
    connection_cache_test() { container.add_factory(libs7::get_connection_factory()); }

    std::shared_ptr<libs7::connection_interface> acquire(const std::string& host) {
        return libs7::acquire_connection(container, host, 0, 2, simulator.port(), 2000ms, log);
    }

    std::shared_ptr<libs7::connection_interface> of_address() {
        return container.get<libs7::connection_interface>(
            libs7::connection_settings{"127.0.0.1", simulator.port(), 0, 2, 2000ms});
    }

    korvel::probekit::simulators::s7_cpu_simulator simulator;
    korvel::probekit::libvexahelper::module::service_container container;
    s7_access_test::recording_log log;
};

// The line is matched byte for byte by trace readers, the missing blank included.
TEST_F(connection_cache_test, a_host_name_is_resolved_logged_and_shares_the_connection_of_its_address) {
    container.add_factory(libtcp::get_resolver_factory());
    const auto connection = acquire("localhost");
    EXPECT_EQ(log.at_level(7), std::vector<std::string>{"Found 1addresses: 127.0.0.1 (using first)"});
    EXPECT_EQ(connection, of_address());
    const auto plenty = korvel::probekit::libdeadline::deadline::after(60s);
    EXPECT_EQ(
        libs7::read_szl<korvel::probekit::s7::ob1::cpu_status>(*connection, 0ms, false, plenty, log).mode, 8);
}

TEST_F(connection_cache_test, of_several_addresses_the_first_is_used_and_none_is_an_error) {
    std::vector<std::string> canned_addresses{"127.0.0.1", "10.0.0.9", "10.0.0.10"};
    container.add_factory(
        libtcp::resolver_factory([&] { return std::make_unique<canned_resolver>(canned_addresses); }));
    EXPECT_EQ(acquire("plc.example"), of_address());
    EXPECT_EQ(log.at_level(7),
              std::vector<std::string>{"Found 3addresses: 127.0.0.1, 10.0.0.9, 10.0.0.10 (using first)"});

    canned_addresses.clear();
    EXPECT_THROW(acquire("plc.example"), libtcp::exceptions::could_not_resolve_host_name);
}

}  // namespace
