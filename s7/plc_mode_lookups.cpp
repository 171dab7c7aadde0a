#include "s7/plc_mode_lookups.hpp"

#include <algorithm>
#include <array>

namespace korvel::probekit::s7 {
namespace {

struct lookup_entry {
    std::string_view text;
    std::int64_t value;
};

template <std::size_t N>
std::int64_t value_of(const std::array<lookup_entry, N>& table, std::string_view text) {
    const auto found =
        std::find_if(table.begin(), table.end(), [&](const lookup_entry& e) { return e.text == text; });
    return found == table.end() ? 0 : found->value;
}

constexpr std::array<lookup_entry, 11> operating_modes{{
    {"no_value", 0},
    {"run", 1},
    {"stop", 2},
    {"startup", 3},
    {"hold", 4},
    {"run_redundant", 5},
    {"stop_self_init", 6},
    {"syncup", 7},
    {"run_syncup", 8},
    {"remote_unknown", 9},
    {"unknown", 10},
}};

constexpr std::array<lookup_entry, 4> mode_selector_positions{{
    {"run", 1},
    {"stop", 2},
    {"no_switch", 3},
    {"unknown", 4},
}};

}  // namespace

std::int64_t operating_mode_value(std::string_view text) {
    return value_of(operating_modes, text);
}

std::int64_t mode_selector_value(std::string_view text) {
    return value_of(mode_selector_positions, text);
}

std::string displayed_operating_mode(std::string_view text) {
    std::string shown(text);
    std::transform(shown.begin(), shown.end(), shown.begin(), [](char c) {
        if (c == '_') return ' ';
        return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    return shown;
}

}  // namespace korvel::probekit::s7
