// Sharing of connections through the service container, and acquire_connection.

#include <gtest/gtest.h>

#include "libs7/acquire_connection.hpp"
#include "libs7/connection_factory.hpp"
#include "libs7/read_szl.hpp"
#include "libtcp/exceptions.hpp"
#include "libtcp/resolver_factory.hpp"
#include "module/service_container/service_container.hpp"
#include "recording_log.hpp"
#include "scan_deadline.hpp"
#include "s7/records/cpu_status.hpp"
#include "simulators/s7_cpu/s7_cpu_simulator.hpp"

namespace {

namespace libs7 = korvel::probekit::libs7;
namespace s7 = korvel::probekit::s7;
namespace libtcp = korvel::probekit::libtcp;
namespace module = korvel::probekit::libvexahelper::module;
using namespace std::chrono_literals;

using s7_access_test::scan_deadline;

// Answers every query with the test's addresses.
struct canned_resolver final : libtcp::resolver_interface {
    explicit canned_resolver(const std::vector<std::string>& canned) : addresses(canned) {}
    std::vector<std::string> resolve(const libtcp::resolve_query&) override { return addresses; }
    const std::vector<std::string>& addresses;
};

class connection_cache_test : public ::testing::Test {
protected:
    connection_cache_test() { container.add_factory(libs7::get_connection_factory()); }

    std::shared_ptr<libs7::connection_interface> get(std::chrono::milliseconds receive_timeout) {
        return container.get<libs7::connection_interface>(
            libs7::connection_settings{"127.0.0.1", simulator.port(), 0, 2, receive_timeout});
    }

    std::shared_ptr<libs7::connection_interface> acquire(const std::string& host) {
        return libs7::acquire_connection(container, host, 0, 2, simulator.port(), 2000ms, log);
    }

    std::int64_t read_mode(libs7::connection_interface& connection) {
        return libs7::read_szl<s7::ob1::cpu_status>(connection, 0ms, false, scan_deadline(), log).mode;
    }

    korvel::probekit::simulators::s7_cpu_simulator simulator;
    module::service_container container;
    s7_access_test::recording_log log;
};

TEST_F(connection_cache_test, acquiring_by_host_name_logs_the_addresses_and_shares_the_connection) {
    container.add_factory(libtcp::get_resolver_factory());
    for (const std::string host : {"localhost", "127.0.0.1"}) {
        SCOPED_TRACE(host);
        log.lines.clear();
        const auto connection = acquire(host);

        EXPECT_EQ(log.lines,
                  (std::vector<s7_access_test::log_line>{{7, "Found 1addresses: 127.0.0.1 (using first)"}}));
        EXPECT_EQ(connection, get(2000ms));
        EXPECT_EQ(read_mode(*connection), 8);
    }
}

TEST_F(connection_cache_test, of_several_addresses_the_first_is_used_and_none_is_an_error) {
    std::vector<std::string> canned_addresses{"127.0.0.1", "10.0.0.9", "10.0.0.10"};
    container.add_factory(
        libtcp::resolver_factory([&] { return std::make_unique<canned_resolver>(canned_addresses); }));
    EXPECT_EQ(acquire("plc.example"), get(2000ms));
    EXPECT_EQ(log.at_level(7),
              std::vector<std::string>{"Found 3addresses: 127.0.0.1, 10.0.0.9, 10.0.0.10 (using first)"});

    canned_addresses.clear();
    EXPECT_THROW(acquire("plc.example"), libtcp::exceptions::could_not_resolve_host_name);
}

TEST(connection_settings_hash, equal_settings_hash_alike_and_each_field_counts) {
    const libs7::connection_settings base{"10.0.0.1", 102, 0, 2, 5000ms};
    const std::hash<libs7::connection_settings> hash;
    EXPECT_EQ(hash(base), hash(libs7::connection_settings(base)));

    const std::vector<std::pair<const char*, libs7::connection_settings>> rows = {
        {"host", {"10.0.0.2", 102, 0, 2, 5000ms}},    {"port", {"10.0.0.1", 103, 0, 2, 5000ms}},
        {"rack", {"10.0.0.1", 102, 1, 2, 5000ms}},    {"slot", {"10.0.0.1", 102, 0, 3, 5000ms}},
        {"timeout", {"10.0.0.1", 102, 0, 2, 5001ms}},
    };
    for (const auto& [field, settings] : rows) {
        SCOPED_TRACE(field);
        EXPECT_NE(settings, base);
        EXPECT_NE(hash(settings), hash(base));
    }
}

}  // namespace
