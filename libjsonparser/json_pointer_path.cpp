#include "libjsonparser/json_pointer_path.hpp"

#include <algorithm>
#include <charconv>
#include <nlohmann/json.hpp>
#include <optional>
#include <vector>

#include "libjsonparser/exceptions.hpp"

namespace korvel::probekit::libjsonparser {
namespace {

void replace_all(std::string& text, std::string_view from, std::string_view to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The reference tokens of a pointer, unescaped.
std::vector<std::string> split_pointer(const std::string& pointer) {
    std::vector<std::string> tokens;
    for (std::size_t at = 0; at < pointer.size();) {
        // Every token starts after a "/"; to_json_pointer puts one in front.
        const auto end = std::min(pointer.find('/', at + 1), pointer.size());
        std::string token;
        for (auto i = at + 1; i < end; ++i) {
            if (pointer[i] != '~') {
                token += pointer[i];
            } else if (i + 1 < end && (pointer[i + 1] == '0' || pointer[i + 1] == '1')) {
                token += pointer[++i] == '0' ? '~' : '/';
            } else {
                throw exceptions::query_error("Expected '0' or '1' after escape character '~'");
            }
        }
        tokens.push_back(std::move(token));
        at = end;
    }
    return tokens;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

const nlohmann::json* find_member(const nlohmann::json& object, const std::string& name, member_names names) {
    if (const auto exact = object.find(name); exact != object.end()) {
        return &*exact;
    }
    if (names == member_names::ignore_case) {
        for (const auto& [member, value] : object.items()) {
            if (equal_ignoring_case(member, name)) {
                return &value;
            }
        }
    }
    return nullptr;
}

// A step into an array: an index as RFC 6901 writes it ("0", or digits without a leading zero) or "-"
// (past the end). `element` is empty for "-" and for numbers too large for any array.
struct array_step {
    bool valid = false;
    std::optional<std::size_t> element;
};

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

}  // namespace

std::string to_json_pointer(std::string_view path) {
    if (path.empty()) {
        return {};
    }
    std::string pointer(path);
    replace_all(pointer, "~", "~0");
    replace_all(pointer, "/", "~1");
    replace_all(pointer, ".", "/");
    replace_all(pointer, "\\/", ".");
    return "/" + pointer;
}

const nlohmann::json& resolve_path(const nlohmann::json& root, const std::string& path, member_names names) {
    const nlohmann::json* found = find_path(root, path, names);
    if (found == nullptr) throw libparser::exceptions::empty_result(path);
    return *found;
}

const nlohmann::json* find_path(const nlohmann::json& root, const std::string& path, member_names names) {
    const nlohmann::json* current = &root;
    for (const auto& token : split_pointer(to_json_pointer(path))) {
        if (current->is_object()) {
            current = find_member(*current, token, names);
        } else if (current->is_array()) {
            const auto step = parse_array_step(token);
            if (!step.valid) {
                throw exceptions::query_error(names == member_names::ignore_case ? "Not an object"
                                                                                 : "Invalid array index");
            }
            current = step.element && *step.element < current->size() ? &(*current)[*step.element] : nullptr;
        } else {
            current = nullptr;
        }
        if (current == nullptr) {
            return nullptr;
        }
    }
    return current;
}

}  // namespace korvel::probekit::libjsonparser
