#include "module/service_container/service_container.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

namespace module = korvel::probekit::libvexahelper::module;

struct connection {
    virtual ~connection() = default;
};

// Keyed by the address, as connections are by their settings.
using connection_factory = std::function<std::unique_ptr<connection>(const std::string&)>;

class service_container_test : public ::testing::Test {
protected:
    std::shared_ptr<module::service_container> container = std::make_shared<module::service_container>();
    std::atomic<int> factory_calls{0};

    void add_counting_factory() {
        container->add_factory(connection_factory([this](const std::string&) {
            ++factory_calls;
            std::this_thread::yield();
            return std::make_unique<connection>();
        }));
    }

    std::shared_ptr<connection> get(const std::string& address) {
        return container->get<connection>(address);
    }
};

TEST_F(service_container_test, equal_keys_share_one_instance_while_it_is_held_and_only_then) {
    add_counting_factory();
    const auto first = get("plc:102");
    EXPECT_EQ(first, get("plc:102"));
    EXPECT_NE(first, get("plc:103"));
    EXPECT_EQ(factory_calls, 2);

    std::weak_ptr<connection> observed = get("plc:104");
    EXPECT_TRUE(observed.expired()) << "the container must hold keyed instances only weakly";
    EXPECT_NE(get("plc:104"), nullptr);
    EXPECT_EQ(factory_calls, 4);
}

TEST_F(service_container_test, throwing_factory_leaves_nothing_behind_and_the_next_get_retries) {
    bool fail = true;
    container->add_factory(connection_factory([&](const std::string&) {
        ++factory_calls;
        if (fail) throw std::runtime_error("plc unreachable");
        return std::make_unique<connection>();
    }));
    EXPECT_THROW(get("plc:102"), std::runtime_error);
    fail = false;
    EXPECT_NE(get("plc:102"), nullptr);
    EXPECT_EQ(factory_calls, 2);
}

TEST_F(service_container_test, concurrent_gets_call_the_factory_once) {
    add_counting_factory();
    std::vector<std::shared_ptr<connection>> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&, i] { results[i] = get("plc:102"); });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(factory_calls, 1);
    for (const auto& result : results) EXPECT_EQ(result, results.front());
}

// The last holder letting go on one thread while another asks for the same key: every get must
// return a live instance (a new one when the old one just died), never null, never throw.
TEST_F(service_container_test, get_racing_the_last_release_always_returns_a_live_instance) {
    add_counting_factory();
    std::atomic<bool> stop{false};
    std::atomic<int> failures{0};
    std::thread releaser([&] {
        while (!stop) get("plc:102").reset();
    });
    for (int i = 0; i < 200000; ++i) {
        try {
            failures += get("plc:102") == nullptr;
        } catch (...) {
            ++failures;
        }
    }
    stop = true;
    releaser.join();
    EXPECT_EQ(failures, 0);
}

// A session keyed by the connection it uses, as a Web API client is by its REST client.
struct session {
    virtual ~session() = default;
};
using session_factory = std::function<std::unique_ptr<session>(const std::shared_ptr<connection>&)>;

TEST_F(service_container_test, a_released_instance_takes_its_entry_and_what_its_key_holds_along) {
    add_counting_factory();
    container->add_factory(session_factory([](const std::shared_ptr<connection>&) { return std::make_unique<session>(); }));
    for (int port = 0; port < 100; ++port) get("plc:" + std::to_string(port));
    EXPECT_EQ((container->keyed_entries<connection, std::string>()), 0u);

    auto used = get("plc:1");
    const std::weak_ptr<connection> link = used;
    auto held = container->get<session>(used);
    auto other = get("plc:2");
    used.reset();
    EXPECT_FALSE(link.expired()) << "the session's key holds its connection";
    held.reset();
    EXPECT_TRUE(link.expired()) << "the released session's key must not keep its connection";
    EXPECT_EQ((container->keyed_entries<session, std::shared_ptr<connection>>()), 0u);
    EXPECT_EQ((container->keyed_entries<connection, std::string>()), 1u) << "plc:2 is still held";
    // A release after the container has gone deletes the instance and nothing else.
    container.reset();
    other.reset();
}

}  // namespace
