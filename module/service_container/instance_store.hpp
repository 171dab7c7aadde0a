#pragma once

#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "module/service_container/type_name.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::module {

// Shared instances per interface type: unkeyed ones owned here, keyed ones held only weakly,
// so a keyed instance (a PLC connection, a REST client) dies with its last user.
class instance_store {
public:
    class instance_wrapper_base {
    public:
        virtual ~instance_wrapper_base() = default;
    };

    template <typename T>
    class instance_wrapper final : public instance_wrapper_base {
    public:
        explicit instance_wrapper(std::shared_ptr<T> shared) : instance(std::move(shared)) {}
        std::shared_ptr<T> instance;
    };

    template <typename T, typename Key, typename Hash = std::hash<Key>, typename Equal = std::equal_to<>>
    class instance_map_wrapper final : public instance_wrapper_base {
    public:
        std::unordered_map<Key, std::weak_ptr<T>, Hash, Equal> instances;
    };

    template <typename T>
    bool has() const {
        return instances_.contains(std::type_index(typeid(T)));
    }

    template <typename T>
    void add(std::shared_ptr<T> instance) {
        if (has<T>()) throw utils::exceptions::already_contains_instance(type_name<T>());
        instances_.emplace(std::type_index(typeid(T)),
                           std::make_unique<instance_wrapper<T>>(std::move(instance)));
    }

    template <typename T>
    std::shared_ptr<T> get() const {
        const auto found = instances_.find(std::type_index(typeid(T)));
        if (found == instances_.end()) throw utils::exceptions::instance_not_available(type_name<T>());
        const auto* wrapper = dynamic_cast<const instance_wrapper<T>*>(found->second.get());
        if (wrapper == nullptr) throw utils::exceptions::instance_not_available(type_name<T>());
        return wrapper->instance;
    }

    // The live instance for the key, or null: an entry whose instance has died counts as absent. The
    // weak reference is locked once, so the answer cannot go stale between a test and a lock while
    // the last holder lets go on another thread.
    template <typename T, typename Key>
    std::shared_ptr<T> find(const Key& key) const {
        const auto* map = find_map<T, Key>();
        if (map == nullptr) return nullptr;
        const auto entry = map->instances.find(key);
        return entry == map->instances.end() ? nullptr : entry->second.lock();
    }

    template <typename T, typename Key>
    bool has(const Key& key) const {
        return find<T>(key) != nullptr;
    }

    // Stores a weak reference under the key, replacing a dead one. Entries of instances that died since
    // are dropped first, so a map of keys that come and go (a PLC readdressed) does not grow for ever.
    template <typename T, typename Key>
    void add(const Key& key, const std::shared_ptr<T>& instance) {
        if (has<T>(key))
            throw utils::exceptions::already_contains_instance_key(type_name<T>(), type_name<Key>());
        auto& slot = instances_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_unique<map_type<T, Key>>();
        auto* map = dynamic_cast<map_type<T, Key>*>(slot.get());
        if (map == nullptr) throw utils::exceptions::already_contains_instance(type_name<T>());
        prune<T, Key>();
        map->instances.insert_or_assign(key, instance);
    }

    // Drops the entries of instances that have died. A key may hold the last reference to another
    // instance (a Web API client's key holds its REST client), whose release prunes its own map: the
    // dead keys are destroyed only once this map is consistent again.
    template <typename T, typename Key>
    void prune() {
        const auto found = instances_.find(std::type_index(typeid(T)));
        auto* map = found == instances_.end() ? nullptr : dynamic_cast<map_type<T, Key>*>(found->second.get());
        if (map == nullptr) return;
        std::vector<typename decltype(map->instances)::node_type> dead;
        for (auto entry = map->instances.begin(); entry != map->instances.end();) {
            if (entry->second.expired())
                dead.push_back(map->instances.extract(entry++));
            else
                ++entry;
        }
    }

    template <typename T, typename Key>
    std::shared_ptr<T> get(const Key& key) const {
        std::shared_ptr<T> instance = find<T>(key);
        if (!instance) throw utils::exceptions::instance_not_available_key(type_name<T>(), type_name<Key>());
        return instance;
    }

    // Entries held for T, dead ones included until they are pruned.
    template <typename T, typename Key>
    std::size_t entries() const {
        const auto* map = find_map<T, Key>();
        return map == nullptr ? 0 : map->instances.size();
    }

private:
    template <typename T, typename Key>
    using map_type = instance_map_wrapper<T, Key>;

    template <typename T, typename Key>
    const map_type<T, Key>* find_map() const {
        const auto found = instances_.find(std::type_index(typeid(T)));
        // A type stored unkeyed has no map: treat it as holding no keyed entries.
        return found == instances_.end() ? nullptr
                                         : dynamic_cast<const map_type<T, Key>*>(found->second.get());
    }

    std::unordered_map<std::type_index, std::unique_ptr<instance_wrapper_base>> instances_;
};

}  // namespace korvel::probekit::libvexahelper::module
