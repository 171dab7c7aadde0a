#pragma once

#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>

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
        instances_.emplace(std::type_index(typeid(T)), std::make_unique<instance_wrapper<T>>(std::move(instance)));
    }

    template <typename T>
    std::shared_ptr<T> get() const {
        const auto found = instances_.find(std::type_index(typeid(T)));
        if (found == instances_.end()) throw utils::exceptions::instance_not_available(type_name<T>());
        const auto* wrapper = dynamic_cast<const instance_wrapper<T>*>(found->second.get());
        if (wrapper == nullptr) throw utils::exceptions::instance_not_available(type_name<T>());
        return wrapper->instance;
    }

    // An entry whose instance has died counts as absent.
    template <typename T, typename Key>
    bool has(const Key& key) const {
        const auto* map = find_map<T, Key>();
        if (map == nullptr) return false;
        const auto entry = map->instances.find(key);
        return entry != map->instances.end() && !entry->second.expired();
    }

    template <typename T, typename Key>
    void add(const Key& key, const std::shared_ptr<T>& instance) {
        if (has<T>(key)) throw utils::exceptions::already_contains_instance_key(type_name<T>(), type_name<Key>());
        auto& slot = instances_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_unique<map_type<T, Key>>();
        auto* map = dynamic_cast<map_type<T, Key>*>(slot.get());
        if (map == nullptr) throw utils::exceptions::already_contains_instance(type_name<T>());
        map->instances.insert_or_assign(key, instance);
    }

    template <typename T, typename Key>
    std::shared_ptr<T> get(const Key& key) const {
        if (!has<T>(key)) throw utils::exceptions::instance_not_available_key(type_name<T>(), type_name<Key>());
        return find_map<T, Key>()->instances.find(key)->second.lock();
    }

private:
    template <typename T, typename Key>
    using map_type = instance_map_wrapper<T, Key>;

    template <typename T, typename Key>
    const map_type<T, Key>* find_map() const {
        const auto found = instances_.find(std::type_index(typeid(T)));
        // A type stored unkeyed has no map: treat it as holding no keyed entries.
        return found == instances_.end() ? nullptr : dynamic_cast<const map_type<T, Key>*>(found->second.get());
    }

    std::unordered_map<std::type_index, std::unique_ptr<instance_wrapper_base>> instances_;
};

}  // namespace korvel::probekit::libvexahelper::module
