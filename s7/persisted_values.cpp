#include "s7/persisted_values.hpp"

#include <algorithm>
#include <charconv>
#include <limits>

#include "liblog/log_levels.hpp"
#include "s7/s7web/answer_limits.hpp"

namespace korvel::probekit::s7 {
namespace {

// The longest time stamp the sensor writes: every BCD field at its widest (165 for 0xFF).
constexpr std::size_t longest_time_stamp = 32;

void log_ignored(const std::string& key, const std::string& text, const char* expected,
                 liblog::log_interface& log) {
    // The value is cut short: whatever it holds, it must not flood the log.
    constexpr std::size_t shown = 40;
    const std::string quoted = text.size() > shown ? text.substr(0, shown) + "..." : text;
    log.log(liblog::level::warning, "Ignoring persistent value \"" + key + "\" (\"" + quoted + "\"): not " +
                                        expected + ". Continuing as if it were absent.");
}

bool is_time_stamp_character(char c) {
    return (c >= '0' && c <= '9') || c == '-' || c == 'T' || c == ':' || c == '.';
}

bool is_web_time_stamp_character(char c) {
    return is_time_stamp_character(c) || c == 'Z' || c == '+';
}

}  // namespace

std::optional<std::int64_t> persisted_count(const std::string& key, const std::optional<std::string>& text,
                                            liblog::log_interface& log) {
    if (!text) return std::nullopt;
    std::int64_t value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    const bool digits_only = !text->empty() && std::all_of(text->begin(), text->end(),
                                                           [](char c) { return c >= '0' && c <= '9'; });
    if (!digits_only || error != std::errc() || stop != end) {
        log_ignored(key, *text, "a count", log);
        return std::nullopt;
    }
    return value;
}

std::optional<std::string> persisted_time_stamp(const std::string& key,
                                                const std::optional<std::string>& text,
                                                liblog::log_interface& log) {
    if (!text) return std::nullopt;
    if (text->empty() || text->size() > longest_time_stamp ||
        !std::all_of(text->begin(), text->end(), is_time_stamp_character)) {
        log_ignored(key, *text, "a time stamp", log);
        return std::nullopt;
    }
    return text;
}

std::optional<int> persisted_channel_id(const std::string& key, const std::optional<std::string>& text,
                                        int first_id, liblog::log_interface& log) {
    const auto count = persisted_count(key, text, log);
    if (!count) return std::nullopt;
    if (*count < first_id || *count >= std::numeric_limits<int>::max()) {
        log_ignored(key, *text, "a channel id", log);
        return std::nullopt;
    }
    return static_cast<int>(*count);
}

std::optional<std::string> persisted_web_time_stamp(const std::string& key,
                                                    const std::optional<std::string>& text,
                                                    liblog::log_interface& log) {
    if (!text) return std::nullopt;
    if (text->empty() || text->size() > s7web::limits::max_word_length ||
        !std::all_of(text->begin(), text->end(), is_web_time_stamp_character)) {
        log_ignored(key, *text, "a time stamp", log);
        return std::nullopt;
    }
    return text;
}

std::int64_t saturating_add(std::int64_t a, std::int64_t b) {
    constexpr std::int64_t largest = std::numeric_limits<std::int64_t>::max();
    return b > largest - a ? largest : a + b;
}

}  // namespace korvel::probekit::s7
