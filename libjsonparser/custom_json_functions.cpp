#include "libjsonparser/custom_json_functions.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace korvel::probekit::libjsonparser {
namespace {

std::optional<nlohmann::json> length(std::span<const nlohmann::json* const> arguments) {
    const nlohmann::json* value = arguments.front();
    if (value == nullptr) {
        return std::nullopt;
    }
    if (value->is_string()) {
        // Parsed strings are valid UTF-8: every byte that is not a continuation byte starts a character.
        const auto& text = value->get_ref<const std::string&>();
        return std::ranges::count_if(
            text, [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; });
    }
    if (value->is_array() || value->is_object()) {
        return value->size();
    }
    return std::nullopt;
}

}  // namespace

custom_json_functions::custom_json_functions() : functions_{{"length", 1, &length}} {}

const custom_function* custom_json_functions::find(std::string_view name) const {
    const auto found = std::ranges::find(functions_, name, &custom_function::name);
    return found == functions_.end() ? nullptr : &*found;
}

}  // namespace korvel::probekit::libjsonparser
