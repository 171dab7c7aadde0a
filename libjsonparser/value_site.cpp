#include "libjsonparser/value_site.hpp"

#include <nlohmann/json.hpp>

namespace korvel::probekit::libjsonparser {
namespace {

std::string escaped_name(const std::string& name) {
    std::string escaped;
    for (const char c : name) {
        if (c == '.') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

std::string joined(const std::string& head, std::string_view tail) {
    if (head.empty()) return std::string(tail);
    if (tail.empty()) return head;
    return head + "." + std::string(tail);
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
    std::string base_path;
    if (site.document != nullptr && site.base != nullptr) find_path_of(*site.document, site.base, base_path);
    return joined(base_path, site.path);
}

}  // namespace korvel::probekit::libjsonparser
