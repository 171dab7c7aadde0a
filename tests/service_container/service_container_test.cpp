#include "module/service_container/service_container.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

namespace module = korvel::probekit::libvexahelper::module;
namespace errors = korvel::probekit::libvexahelper::utils::exceptions;

struct connection {
    virtual ~connection() = default;
};

struct settings {
    std::string host;
    int port = 0;
    bool operator==(const settings&) const = default;
};

struct settings_hash {
    std::size_t operator()(const settings& s) const { return std::hash<std::string>()(s.host) ^ std::size_t(s.port); }
};

}  // namespace

template <>
struct std::hash<settings> : settings_hash {};

namespace {

using connection_factory = std::function<std::unique_ptr<connection>(const settings&)>;
using plain_factory = std::function<std::unique_ptr<connection>()>;

class service_container_test : public ::testing::Test {
protected:
    std::shared_ptr<module::service_container> container = std::make_shared<module::service_container>();
    std::atomic<int> factory_calls{0};

    void add_counting_factory() {
        container->add_factory(connection_factory([this](const settings&) {
            ++factory_calls;
            return std::make_unique<connection>();
        }));
    }
};

TEST_F(service_container_test, equal_keys_share_one_instance_while_held_and_different_keys_do_not) {
    add_counting_factory();
    const auto first = container->get<connection>(settings{"plc", 102});
    const auto again = container->get<connection>(settings{"plc", 102});
    const auto other = container->get<connection>(settings{"plc", 103});
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    EXPECT_EQ(factory_calls, 2);
}

TEST_F(service_container_test, released_instance_is_created_anew) {
    add_counting_factory();
    std::weak_ptr<connection> observed = container->get<connection>(settings{"plc", 102});
    EXPECT_TRUE(observed.expired()) << "the container must hold keyed instances only weakly";
    const auto fresh = container->get<connection>(settings{"plc", 102});
    EXPECT_NE(fresh, nullptr);
    EXPECT_EQ(factory_calls, 2);
}

TEST_F(service_container_test, throwing_factory_leaves_nothing_behind_and_the_next_get_retries) {
    bool fail = true;
    container->add_factory(connection_factory([&](const settings&) {
        ++factory_calls;
        if (fail) throw std::runtime_error("plc unreachable");
        return std::make_unique<connection>();
    }));
    EXPECT_THROW(container->get<connection>(settings{"plc", 102}), std::runtime_error);
    fail = false;
    EXPECT_NE(container->get<connection>(settings{"plc", 102}), nullptr);
    EXPECT_EQ(factory_calls, 2);
}

TEST_F(service_container_test, concurrent_gets_call_the_factory_once) {
    container->add_factory(connection_factory([this](const settings&) {
        ++factory_calls;
        std::this_thread::yield();
        return std::make_unique<connection>();
    }));
    std::vector<std::shared_ptr<connection>> results(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] { results[i] = container->get<connection>(settings{"plc", 102}); });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(factory_calls, 1);
    for (const auto& result : results) EXPECT_EQ(result, results.front());
}

TEST_F(service_container_test, unkeyed_instance_is_kept_by_the_container) {
    container->add_factory(plain_factory([this] {
        ++factory_calls;
        return std::make_unique<connection>();
    }));
    EXPECT_FALSE(container->has<connection>());
    std::weak_ptr<connection> observed = container->get<connection>();
    EXPECT_FALSE(observed.expired());
    EXPECT_TRUE(container->has<connection>());
    EXPECT_EQ(container->get<connection>(), observed.lock());
    EXPECT_EQ(factory_calls, 1);
}

TEST_F(service_container_test, second_factory_of_one_signature_is_refused_and_the_first_kept) {
    add_counting_factory();
    try {
        container->add_factory(connection_factory([](const settings&) -> std::unique_ptr<connection> { return {}; }));
        FAIL() << "no exception";
    } catch (const errors::already_contains_factory& error) {
        const std::string text = error.what();
        EXPECT_EQ(text.rfind("The factory store already contains a factory with type std::function<", 0), 0) << text;
        EXPECT_EQ(text.back(), '.');
        EXPECT_EQ(error.get_message().identifier().rfind("#:libvexahelper.error.already_contains_factory[", 0), 0);
    }
    EXPECT_NE(container->get<connection>(settings{"plc", 1}), nullptr);
    EXPECT_EQ(factory_calls, 1);
}

TEST_F(service_container_test, missing_factory_is_reported_until_one_is_registered) {
    EXPECT_THROW(container->get<connection>(), errors::factory_not_available);
    EXPECT_THROW(container->get<connection>(settings{"plc", 102}), errors::factory_not_available);
    EXPECT_THROW(container->create<connection>(), errors::service_container_error);
    container->add_factory(plain_factory([] { return std::make_unique<connection>(); }));
    EXPECT_NE(container->get<connection>(), nullptr);
}

TEST_F(service_container_test, create_returns_fresh_unstored_products_with_arguments) {
    container->add_factory(std::function<std::unique_ptr<connection>(int)>([this](int) {
        ++factory_calls;
        return std::make_unique<connection>();
    }));
    const auto first = container->create<connection>(7);
    const auto second = container->create<connection>(7);
    EXPECT_NE(first.get(), second.get());
    EXPECT_FALSE(container->has<connection>());
    EXPECT_EQ(factory_calls, 2);
}

TEST(instance_store, duplicate_and_missing_entries_name_the_types) {
    module::instance_store store;
    store.add<connection>(std::make_shared<connection>());
    try {
        store.add<connection>(std::make_shared<connection>());
        FAIL() << "no exception";
    } catch (const errors::already_contains_instance& error) {
        EXPECT_STREQ(error.what(),
                     "The instance store already contains an instance with type (anonymous namespace)::connection.");
    }
    EXPECT_THROW((store.get<connection, settings>(settings{"a", 1})), errors::instance_not_available_key)
        << "an unkeyed entry holds no keyed ones";

    struct keyed_service {};
    const auto held = std::make_shared<keyed_service>();
    store.add<keyed_service, settings>(settings{"a", 1}, held);
    EXPECT_THROW((store.add<keyed_service, settings>(settings{"a", 1}, held)), errors::already_contains_instance_key);
    try {
        store.get<connection, settings>(settings{"b", 1});
        FAIL() << "no exception";
    } catch (const errors::instance_not_available_key& error) {
        EXPECT_STREQ(error.what(),
                     "The instance store can't find an instance with type (anonymous namespace)::connection and key "
                     "(anonymous namespace)::settings.");
    }
}

}  // namespace
