#pragma once

#include <functional>
#include <memory>
#include <typeindex>
#include <unordered_map>

#include "module/service_container/type_name.hpp"
#include "module/utils/exceptions.hpp"

namespace korvel::probekit::libvexahelper::module {

// One factory per function signature, for example
// std::function<std::unique_ptr<connection_interface>(const connection_settings&)>.
class factory_store {
public:
    class factory_wrapper_base {
    public:
        virtual ~factory_wrapper_base() = default;
    };

    template <typename F>
    class factory_wrapper final : public factory_wrapper_base {
    public:
        explicit factory_wrapper(F factory) : function(std::move(factory)) {}
        F function;
    };

    template <typename F>
    void add(F factory) {
        const std::type_index identity(typeid(F));
        if (factories_.contains(identity)) throw utils::exceptions::already_contains_factory(type_name<F>());
        factories_.emplace(identity, std::make_unique<factory_wrapper<F>>(std::move(factory)));
    }

    template <typename F>
    const F& get() const {
        const auto found = factories_.find(std::type_index(typeid(F)));
        if (found == factories_.end()) throw utils::exceptions::factory_not_available(type_name<F>());
        return static_cast<const factory_wrapper<F>&>(*found->second).function;
    }

private:
    std::unordered_map<std::type_index, std::unique_ptr<factory_wrapper_base>> factories_;
};

}  // namespace korvel::probekit::libvexahelper::module
