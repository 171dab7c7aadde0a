#include "libjsonparser/value_site.hpp"

#include <nlohmann/json.hpp>

namespace korvel::probekit::libjsonparser {
namespace {

std::string escaped_name(std::string_view name) {
    std::string escaped;
    for (const char c : name) {
        if (c == '.') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string joined(std::string_view head, std::string_view tail) {
    if (head.empty()) return std::string(tail);
    if (tail.empty()) return std::string(head);
    std::string path;
    path.reserve(head.size() + 1 + tail.size());
    return path.append(head).append(1, '.').append(tail);
}

// Depth-first by address; the nesting of a parsed text is bounded, so is the recursion.
bool find_path_of(const nlohmann::json& within, const nlohmann::json* target, std::string& path) {
    if (&within == target) return true;
    if (within.is_array()) {
        for (std::size_t index = 0; index < within.size(); ++index) {
            std::string below;
            if (find_path_of(within[index], target, below)) {
                path = joined(std::to_string(index), below);
                return true;
            }
        }
    } else if (within.is_object()) {
        for (const auto& member : within.items()) {
            std::string below;
            if (find_path_of(member.value(), target, below)) {
                path = joined(escaped_name(member.key()), below);
                return true;
            }
        }
    }
    return false;
}

}  // namespace

std::string member_path(const value_site& site) {
    if (site.document == nullptr || site.base == nullptr) return joined(site.base_path, site.path);
    std::string base_path;
    find_path_of(*site.document, site.base, base_path);
    return joined(base_path, site.path);
}

std::string child_path(std::string_view parent, std::size_t index) {
    return joined(parent, std::to_string(index));
}

std::string child_path(std::string_view parent, std::string_view member_name) {
    return joined(parent, escaped_name(member_name));
}

}  // namespace korvel::probekit::libjsonparser
