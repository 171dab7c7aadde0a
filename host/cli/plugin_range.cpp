#include "host/cli/plugin_range.hpp"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace korvel::probekit::host {
namespace {

constexpr double infinity = std::numeric_limits<double>::infinity();
constexpr const char* forms = "10, 10:, ~:10, 10:20 or @10:20";

double number_of(std::string_view whole, std::string_view part) {
    double value = 0;
    const char* end = part.data() + part.size();
    const auto [stop, error] = std::from_chars(part.data(), end, value);
    if (part.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        throw range_error("\"" + std::string(whole) + "\" is not a range (" + forms + ")");
    return value;
}

bool equal_ignoring_case(std::string_view first, std::string_view second) {
    return std::ranges::equal(
        first, second, [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

}  // namespace

bool plugin_range::alerts(double value) const {
    const bool within = value >= start && value <= end;
    return inside ? within : !within;
}

plugin_range parse_plugin_range(std::string_view text) {
    plugin_range range;
    range.text = std::string(text);
    std::string_view rest = text;
    if (rest.starts_with('@')) {
        range.inside = true;
        rest.remove_prefix(1);
    }
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
        range.end = number_of(text, rest);
    } else {
        const std::string_view start = rest.substr(0, colon);
        const std::string_view end = rest.substr(colon + 1);
        // An empty start is 0, as the plugins' own parser reads it.
        range.start = start == "~" ? -infinity : start.empty() ? 0 : number_of(text, start);
        range.end = end.empty() ? infinity : number_of(text, end);
    }
    if (range.start > range.end)
        throw range_error("\"" + std::string(text) + "\" starts above its end (" + forms + ")");
    return range;
}

bool channel_threshold::names(std::string_view key, std::string_view english_name) const {
    constexpr std::string_view prefix = "channel.";
    if (channel == key || equal_ignoring_case(channel, english_name)) return true;
    return key.starts_with(prefix) && channel == key.substr(prefix.size());
}

channel_threshold parse_channel_threshold(threshold_level level, std::string_view text) {
    const std::string option = level == threshold_level::warning ? "-w" : "-c";
    const std::size_t equals = text.rfind('=');
    if (equals == std::string_view::npos || equals == 0) {
        throw range_error(option +
                          " expects CHANNEL=RANGE (\"Cycle Ratio=80\", \"cycle_ratio=~:90\"), not \"" +
                          std::string(text) + "\"");
    }
    try {
        return {std::string(text.substr(0, equals)), level, parse_plugin_range(text.substr(equals + 1))};
    } catch (const range_error& error) {
        throw range_error(option + " " + std::string(text) + ": " + error.what());
    }
}

}  // namespace korvel::probekit::host
