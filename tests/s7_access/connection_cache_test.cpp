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
namespace s7 = korvel::probekit::s7;
namespace libtcp = korvel::probekit::libtcp;
namespace module = korvel::probekit::libvexahelper::module;
using namespace std::chrono_literals;

// Answers every query with the same addresses and remembers the queries.
class canned_resolver final : public libtcp::resolver_interface {
public:
    canned_resolver(std::vector<std::string> addresses, std::vector<libtcp::resolve_query>& queries)
        : addresses_(std::move(addresses)), queries_(queries) {}

    std::vector<std::string> resolve(const libtcp::resolve_query& query) override {
        queries_.push_back(query);
        return addresses_;
    }

private:
    std::vector<std::string> addresses_;
    std::vector<libtcp::resolve_query>& queries_;
};

class connection_cache_test : public ::testing::Test {
protected:
    connection_cache_test() { container.add_factory(libs7::get_connection_factory()); }

    void use_system_resolver() { container.add_factory(libtcp::get_resolver_factory()); }

    void use_canned_resolver(std::vector<std::string> addresses) {
        container.add_factory(libtcp::resolver_factory(
            [this, addresses] { return std::make_unique<canned_resolver>(addresses, queries); }));
    }

    std::shared_ptr<libs7::connection_interface> get(std::chrono::milliseconds receive_timeout) {
        return container.get<libs7::connection_interface>(
            libs7::connection_settings{"127.0.0.1", simulator.port(), 0, 2, receive_timeout});
    }

    std::shared_ptr<libs7::connection_interface> acquire(const std::string& host) {
        return libs7::acquire_connection(container, host, 0, 2, simulator.port(), 2000ms, log);
    }

    std::int64_t read_mode(libs7::connection_interface& connection) {
        return libs7::read_szl<s7::ob1::cpu_status>(connection, 0ms, false, log).mode;
    }

    korvel::probekit::simulators::s7_cpu_simulator simulator;
    module::service_container container;
    s7_access_test::recording_log log;
    std::vector<libtcp::resolve_query> queries;
};

TEST_F(connection_cache_test, acquiring_by_host_name_logs_the_addresses_and_shares_the_connection) {
    use_system_resolver();
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

TEST_F(connection_cache_test, of_several_addresses_the_first_is_used_and_all_are_logged) {
    use_canned_resolver({"127.0.0.1", "10.0.0.9", "10.0.0.10"});

    const auto connection = acquire("plc.example");

    ASSERT_EQ(queries.size(), 1U);
    EXPECT_EQ(queries[0].ip_version, libtcp::ip_family::ipv4);
    EXPECT_EQ(queries[0].host, "plc.example");
    EXPECT_EQ(queries[0].port, simulator.port());
    EXPECT_EQ(log.at_level(7),
              std::vector<std::string>{"Found 3addresses: 127.0.0.1, 10.0.0.9, 10.0.0.10 (using first)"});
    EXPECT_EQ(connection, get(2000ms));
}

TEST_F(connection_cache_test, acquiring_fails_without_a_resolver_or_without_addresses) {
    EXPECT_THROW(acquire("plc.example"),
                 korvel::probekit::libvexahelper::utils::exceptions::factory_not_available);
    use_canned_resolver({});
    EXPECT_THROW(acquire("plc.example"), libtcp::exceptions::could_not_resolve_host_name);
    EXPECT_TRUE(log.lines.empty());
}

TEST(connection_settings_hash, equal_settings_hash_alike_and_each_field_counts) {
    const libs7::connection_settings base{"10.0.0.1", 102, 0, 2, 5000ms};
    const std::hash<libs7::connection_settings> hash;
    EXPECT_EQ(hash(base), hash(libs7::connection_settings(base)));

    struct row {
        const char* field;
        libs7::connection_settings settings;
    };
    const std::vector<row> rows = {
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
