#include "libjsonparser/json_pointer_path.hpp"

#include <algorithm>
#include <charconv>

#include "libjsonparser/exceptions.hpp"

namespace korvel::probekit::libjsonparser {

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

array_step parse_array_step(const std::string& token) {
    if (token == "-") {
        return {true, std::nullopt};
    }
    const bool digits_only =
        !token.empty() && std::ranges::all_of(token, [](char c) { return c >= '0' && c <= '9'; });
    if (!digits_only || (token.size() > 1 && token.front() == '0')) {
        return {};
    }
    std::size_t index = 0;
    if (std::from_chars(token.data(), token.data() + token.size(), index).ec != std::errc()) {
        return {true, std::nullopt};
    }
    return {true, index};
}

void throw_invalid_array_step(member_names names) {
    throw exceptions::query_error(names == member_names::ignore_case ? "Not an object" : "Invalid array index");
}

const nlohmann::json* find_path(const nlohmann::json& root, const std::string& path, member_names names) {
    const auto found = find_value(nlohmann_view(root), path, names);
    return found ? &found->json() : nullptr;
}

}  // namespace korvel::probekit::libjsonparser
