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
// is recursive so that a factory may itself ask the container for another service. A keyed instance's
// entry goes when its last holder lets go, so nothing its key holds (a REST client and its
// connection) outlives it.
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
        std::lock_guard lock(state_->mutex);
        if (state_->instances.has<T>()) return state_->instances.get<T>();
        std::shared_ptr<T> instance = factories_.get<std::function<std::unique_ptr<T>()>>()();
        state_->instances.add<T>(instance);
        return instance;
    }

    template <typename T, typename Key>
    std::shared_ptr<T> get(const Key& key) {
        std::lock_guard lock(state_->mutex);
        if (std::shared_ptr<T> live = state_->instances.find<T>(key)) return live;
        std::unique_ptr<T> made = factories_.get<std::function<std::unique_ptr<T>(const Key&)>>()(key);
        std::shared_ptr<T> instance(made.release(), release_entry<T, Key>{state_});
        state_->instances.add<T>(key, instance);
        return instance;
    }

    // A fresh product of the factory, never stored (the resolver, a sensor's log).
    template <typename T, typename... Arguments>
    std::unique_ptr<T> create(Arguments... arguments) const {
        return factories_.get<std::function<std::unique_ptr<T>(Arguments...)>>()(std::move(arguments)...);
    }

    template <typename T>
    bool has() {
        std::lock_guard lock(state_->mutex);
        return state_->instances.has<T>();
    }

    // How many keyed entries the store holds for T, so tests can see that dead ones are pruned.
    template <typename T, typename Key>
    std::size_t keyed_entries() {
        std::lock_guard lock(state_->mutex);
        return state_->instances.entries<T, Key>();
    }

    // Stores a ready instance, for services whose owner builds them itself (the sensor stock).
    template <typename T>
    void add(std::shared_ptr<T> instance) {
        std::lock_guard lock(state_->mutex);
        state_->instances.add<T>(std::move(instance));
    }

private:
    // What a keyed instance's release reaches back to; it may outlive the container.
    struct shared_state {
        instance_store instances;
        std::recursive_mutex mutex;
    };

    // Deletes a keyed instance, then drops its entry (with the key and what the key holds). The
    // instance goes first and outside the lock: its destructor may take a while (a Web API logout).
    template <typename T, typename Key>
    struct release_entry {
        std::weak_ptr<shared_state> state;

        void operator()(T* instance) const {
            delete instance;
            if (const auto owner = state.lock()) {
                std::lock_guard lock(owner->mutex);
                owner->instances.template prune<T, Key>();
            }
        }
    };

    std::shared_ptr<shared_state> state_ = std::make_shared<shared_state>();
    factory_store factories_;
};

}  // namespace korvel::probekit::libvexahelper::module
