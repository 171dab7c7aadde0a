#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "libjsonparser/json_kind.hpp"
#include "libjsonparser/json_text.hpp"

namespace korvel::probekit::libjsonparser {

// One value of a parsed document as the path walk and the conversions see it, whichever parser built
// the document. A view is a cheap handle; the document must outlive it. The members of an object are
// visited in name order, each name once with the value given last for it, as nlohmann keeps them: the
// queries answer alike over every document.
template <typename View>
concept json_view = std::copyable<View> &&
                    requires(const View view, const std::string& name, std::size_t index,
                             const std::function<void(View)>& visit_element,
                             const std::function<void(std::string_view, View)>& visit_member) {
                        { view.kind() } -> std::same_as<std::optional<json_kind>>;
                        // Elements of an array, distinct member names of an object.
                        { view.size() } -> std::same_as<std::size_t>;
                        { view.element(index) } -> std::same_as<View>;
                        { view.member(name) } -> std::same_as<std::optional<View>>;
                        view.for_each_element(visit_element);
                        view.for_each_member(visit_member);
                        // The scalar accessors; each only for a value of its kind.
                        { view.string() } -> std::same_as<std::string_view>;
                        { view.int64() } -> std::same_as<std::int64_t>;
                        { view.uint64() } -> std::same_as<std::uint64_t>;
                        { view.floating() } -> std::same_as<double>;
                        { view.boolean() } -> std::same_as<bool>;
                        // The value's text form, as json_text_of writes it.
                        { view.text() } -> std::same_as<std::string>;
                    };

class nlohmann_view {
public:
    explicit nlohmann_view(const nlohmann::json& value) : value_(&value) {}

    const nlohmann::json& json() const { return *value_; }

    std::optional<json_kind> kind() const { return kind_of(*value_); }
    std::size_t size() const { return value_->size(); }
    nlohmann_view element(std::size_t index) const { return nlohmann_view((*value_)[index]); }
    std::optional<nlohmann_view> member(const std::string& name) const {
        const auto found = value_->find(name);
        if (found == value_->end()) return std::nullopt;
        return nlohmann_view(*found);
    }
    template <typename Visit>
    void for_each_element(Visit&& visit) const {
        for (const auto& element : *value_) visit(nlohmann_view(element));
    }
    template <typename Visit>
    void for_each_member(Visit&& visit) const {
        for (const auto& [name, value] : value_->items()) visit(std::string_view(name), nlohmann_view(value));
    }
    std::string_view string() const { return value_->get_ref<const std::string&>(); }
    std::int64_t int64() const { return value_->get<std::int64_t>(); }
    std::uint64_t uint64() const { return value_->get<std::uint64_t>(); }
    double floating() const { return value_->get<double>(); }
    bool boolean() const { return value_->get<bool>(); }
    std::string text() const { return json_text_of(*value_); }

private:
    const nlohmann::json* value_;
};

static_assert(json_view<nlohmann_view>);

}  // namespace korvel::probekit::libjsonparser
