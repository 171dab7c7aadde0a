#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "module/service_container/factory_store.hpp"
#include "module/service_container/instance_store.hpp"

namespace korvel::probekit::libvexahelper::module {

// The module's registry of shared services. Factories are registered while the module class is
// constructed; instances are created on first demand. Each get holds the mutex for its whole
// duration, factory call included, so a factory never runs twice for one type and key. The mutex
// is recursive so that a factory may itself ask the container for another service.
class service_container {
public:
    service_container();
    ~service_container();
    service_container(const service_container&) = delete;
    service_container& operator=(const service_container&) = delete;

    // Registers a factory under the identity of its std::function type.
    template <typename R, typename... Arguments>
    void add_factory(std::function<R(Arguments...)> factory) {
        factories_.add(std::move(factory));
    }

    template <typename T>
    std::shared_ptr<T> get() {
        std::lock_guard lock(mutex_);
        if (instances_.has<T>()) return instances_.get<T>();
        std::shared_ptr<T> instance = factories_.get<std::function<std::unique_ptr<T>()>>()();
        instances_.add<T>(instance);
        return instance;
    }

    template <typename T, typename Key>
    std::shared_ptr<T> get(const Key& key) {
        std::lock_guard lock(mutex_);
        if (std::shared_ptr<T> live = instances_.find<T>(key)) return live;
        std::shared_ptr<T> instance = factories_.get<std::function<std::unique_ptr<T>(const Key&)>>()(key);
        instances_.add<T>(key, instance);
        return instance;
    }

    // A fresh product of the factory, never stored (the resolver, a sensor's log).
    template <typename T, typename... Arguments>
    std::unique_ptr<T> create(Arguments... arguments) const {
        return factories_.get<std::function<std::unique_ptr<T>(Arguments...)>>()(std::move(arguments)...);
    }

    template <typename T>
    bool has() {
        std::lock_guard lock(mutex_);
        return instances_.has<T>();
    }

    // How many keyed entries the store holds for T, so tests can see that dead ones are pruned.
    template <typename T, typename Key>
    std::size_t keyed_entries() {
        std::lock_guard lock(mutex_);
        return instances_.entries<T, Key>();
    }

    // Stores a ready instance, for services whose owner builds them itself (the sensor stock).
    template <typename T>
    void add(std::shared_ptr<T> instance) {
        std::lock_guard lock(mutex_);
        instances_.add<T>(std::move(instance));
    }

private:
    instance_store instances_;
    factory_store factories_;
    std::recursive_mutex mutex_;
};

}  // namespace korvel::probekit::libvexahelper::module
