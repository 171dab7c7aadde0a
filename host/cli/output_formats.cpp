#include "host/cli/output_formats.hpp"

#include <algorithm>
#include <array>
#include <cctype>
#include <ctime>
#include <utility>

#include "host/cli/host_words.hpp"

namespace korvel::probekit::host {
namespace {

// ---- display width -------------------------------------------------------------------------------

using code_point_range = std::pair<char32_t, char32_t>;

// East Asian Width W and F (Unicode's EastAsianWidth.txt), merged into the blocks they fill.
constexpr std::array<code_point_range, 18> wide_ranges{{
    {0x1100, 0x115F},
    {0x231A, 0x231B},
    {0x2E80, 0x303E},
    {0x3041, 0x33FF},
    {0x3400, 0x4DBF},
    {0x4E00, 0x9FFF},
    {0xA000, 0xA4CF},
    {0xA960, 0xA97F},
    {0xAC00, 0xD7A3},
    {0xF900, 0xFAFF},
    {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},
    {0xFF00, 0xFF60},
    {0xFFE0, 0xFFE6},
    {0x1F300, 0x1F64F},
    {0x1F900, 0x1F9FF},
    {0x20000, 0x2FFFD},
    {0x30000, 0x3FFFD},
}};

// Combining marks, zero-width spaces and joiners, variation selectors: no column of their own.
constexpr std::array<code_point_range, 7> zero_width_ranges{{
    {0x0300, 0x036F},
    {0x1AB0, 0x1AFF},
    {0x1DC0, 0x1DFF},
    {0x200B, 0x200F},
    {0x20D0, 0x20FF},
    {0xFE00, 0xFE0F},
    {0xFE20, 0xFE2F},
}};

bool in(const auto& ranges, char32_t code_point) {
    return std::ranges::any_of(ranges, [code_point](const code_point_range& range) {
        return code_point >= range.first && code_point <= range.second;
    });
}

std::size_t width_of(char32_t code_point) {
    if (in(zero_width_ranges, code_point)) return 0;
    return in(wide_ranges, code_point) ? 2 : 1;
}

// ---- shared helpers ------------------------------------------------------------------------------

std::string replaced(std::string text, char from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, 1, to);
    return text;
}

std::string one_line(std::string text) {
    return replaced(replaced(std::move(text), '\n', " "), '\r', " ");
}

// A value as JSON writes it: integers exact, doubles so that they read back the same.
std::string exact_number_text(const json& value) {
    return value.dump();
}

bool is_whole_number(const std::string& text) {
    return !text.empty() && text.size() <= 18 &&
           std::ranges::all_of(text, [](unsigned char c) { return std::isdigit(c); });
}

bool is_problem(const channel_report& channel) {
    return channel.state && *channel.state != severity::ok;
}

std::string channel_value_text(const channel_report& channel) {
    if (channel.from_lookup) return channel.text + " (" + exact_number_text(channel.value) + ")";
    return channel.text;
}

// The module's message, with the channels that are not OK when it says only "OK" or adds to it.
std::string summary(const sensor_report& report) {
    std::string problems;
    for (const auto& channel : report.channels) {
        // A held problem is in the message already, with its time.
        if (is_problem(channel) && !channel.held)
            problems += (problems.empty() ? "" : ", ") + channel.name + ": " + channel.text;
    }
    if (problems.empty()) return report.message;
    if (report.message.empty() || report.message == "OK") return problems;
    return report.message + " (" + problems + ")";
}

// ---- text ----------------------------------------------------------------------------------------

std::string headline(const sensor_report& report, const scan_position& position) {
    std::string title = report.is_check               ? "Check " + report.kind
                        : report.kind_display.empty() ? report.kind
                                                      : report.kind_display;
    const std::string& language = report.language;
    if (position.count != 1) {
        title += ", " + host_text(host_word::scan, language) + " " + std::to_string(position.number);
        if (position.count > 1) title += "/" + std::to_string(position.count);
    }
    return title + " " + host_text(host_word::at, language) + " " + utc_time_text(report.time) + ": " +
           severity_text(report.state, language);
}

void write_text(const sensor_report& report, const scan_position& position, std::ostream& out) {
    out << headline(report, position) << '\n';
    const std::string& language = report.language;
    if (const auto message = summary(report); !message.empty())
        out << "  " << host_text(host_word::message, language) << ": " << message << '\n';
    if (report.channels.empty()) return;
    std::vector<std::vector<std::string>> rows{{host_text(host_word::channel, language),
                                                host_text(host_word::value, language),
                                                host_text(host_word::state, language)}};
    for (const auto& channel : report.channels) {
        rows.push_back({channel.name, channel_value_text(channel),
                        channel.state ? severity_text(*channel.state, language) : "-"});
    }
    print_table(rows, "  ", out);
}

// ---- nagios --------------------------------------------------------------------------------------

// '|' starts performance data, so no text of the status line or long output may hold one.
std::string plugin_text(std::string text) {
    return replaced(one_line(std::move(text)), '|', "/");
}

std::string plugin_summary(const sensor_report& report) {
    const std::string text = summary(report);
    return text.empty() ? plugin_state(report.state) : text;
}

std::string performance_label(const std::string& name) {
    // Quotes are doubled, '=' ends a label: both rules of the plugin convention.
    return "'" + replaced(replaced(plugin_text(name), '\'', "''"), '=', "-") + "'";
}

std::string performance_unit(const channel_report& channel) {
    return channel.unit == "%" || channel.unit == "ms" ? channel.unit : std::string();
}

std::string threshold(const std::optional<double>& value) {
    return value ? exact_number_text(*value) : std::string();
}

// -w and -c as given, else the module's limits: warn is limit slot 2, else slot 1; crit slot 4.
std::string performance_data(const channel_report& channel) {
    std::string warn, crit;
    if (channel.limits) {
        const auto& slots = *channel.limits;
        warn = threshold(slots[1] ? slots[1] : slots[0]);
        crit = threshold(slots[3]);
    }
    if (channel.warning_range) warn = channel.warning_range->text;
    if (channel.critical_range) crit = channel.critical_range->text;
    // The bounds a unit implies: a ratio lies within 0 to 100 %, a time or a count is never negative.
    const std::string minimum =
        channel.unit_name == "percent" || channel.unit_name == "milliseconds" || channel.unit_name == "count"
            ? "0"
            : "";
    const std::string maximum = channel.unit_name == "percent" ? "100" : "";
    std::string text = performance_label(channel.english_name) + "=" + exact_number_text(channel.value) +
                       performance_unit(channel) + ";" + warn + ";" + crit + ";" + minimum + ";" + maximum;
    text.erase(text.find_last_not_of(';') + 1);
    return text;
}

void write_nagios(const sensor_report& report, std::ostream& out) {
    std::string kind = report.kind;
    std::ranges::transform(kind, kind.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    out << "S7 " << kind << ' ' << plugin_state(report.state) << " - " << plugin_text(plugin_summary(report));
    std::string performance;
    for (const auto& channel : report.channels) {
        if (channel.value.is_number()) performance += " " + performance_data(channel);
    }
    if (!performance.empty()) out << " |" << performance;
    out << '\n';
    for (const auto& channel : report.channels) {
        out << plugin_text(channel.name + ": " + channel_value_text(channel));
        if (channel.state) out << " [" << plugin_state(*channel.state) << ']';
        out << '\n';
    }
}

// ---- json ----------------------------------------------------------------------------------------

json target_json(const std::vector<target_setting>& target) {
    json object = json::object();
    for (const auto& setting : target) {
        if (is_whole_number(setting.value) && setting.name != "host") {
            object[setting.name] = std::stoll(setting.value);
        } else {
            object[setting.name] = setting.value;
        }
    }
    return object;
}

void write_json(const sensor_report& report, const scan_position& position, std::ostream& out) {
    json channels = json::array();
    for (const auto& channel : report.channels) {
        channels.push_back({{"id", channel.id},
                            {"key", channel.key},
                            {"name", channel.name},
                            {"value", channel.value},
                            {"unit", channel.unit_name},
                            {"text", channel.text},
                            {"state", channel.state ? json(severity_word(*channel.state)) : json(nullptr)}});
    }
    const json line = {{"time", utc_time_text(report.time)},
                       {"type", report.is_check ? "check" : "scan"},
                       {"kind", report.kind},
                       {"id", report.id},
                       {"target", target_json(report.target)},
                       {"scan", position.number},
                       {"state", severity_word(report.state)},
                       {"exit_status", exit_status(report.state)},
                       {"message", report.message},
                       {"channels", std::move(channels)}};
    // Bytes a controller sent that are not UTF-8 have become U+FFFD in the module already; replace
    // anything else rather than lose the line.
    out << line.dump(-1, ' ', false, json::error_handler_t::replace) << '\n';
}

}  // namespace

std::optional<output_format> output_format_named(std::string_view name) {
    if (name == "text") return output_format::text;
    if (name == "nagios") return output_format::nagios;
    if (name == "json") return output_format::json_lines;
    if (name == "openmetrics") return output_format::openmetrics;
    if (name == "prometheus") return output_format::prometheus_text;
    return std::nullopt;
}

std::size_t display_width(std::string_view text) {
    std::size_t width = 0;
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80           ? 1
                                   : (lead >> 5) == 0x6  ? 2
                                   : (lead >> 4) == 0xE  ? 3
                                   : (lead >> 3) == 0x1E ? 4
                                                         : 1;
        char32_t code_point = length == 1 ? lead : lead & (0x7F >> length);
        bool well_formed = at + length <= text.size();
        for (std::size_t next = 1; well_formed && next < length; ++next) {
            const auto continuation = static_cast<unsigned char>(text[at + next]);
            well_formed = (continuation & 0xC0) == 0x80;
            code_point = (code_point << 6) | (continuation & 0x3F);
        }
        // A byte that starts no well-formed sequence is shown as one replacement character.
        width += well_formed ? width_of(code_point) : 1;
        at += well_formed ? length : 1;
    }
    return width;
}

void print_table(const std::vector<std::vector<std::string>>& rows, std::string_view indent,
                 std::ostream& out) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t column = 0; column < row.size(); ++column)
            widths[column] = std::max(widths[column], display_width(row[column]));
    }
    for (const auto& row : rows) {
        std::string line(indent);
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) line.append(widths[column] - display_width(row[column]) + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);  // an empty last cell leaves no padding behind
        out << line << '\n';
    }
}

std::string utc_time_text(std::chrono::system_clock::time_point time) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(time);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

void write_report(const sensor_report& report, output_format format, const scan_position& position,
                  std::ostream& out, const exposition_context* metrics) {
    switch (format) {
        case output_format::text:
            write_text(report, position, out);
            return;
        case output_format::nagios:
            write_nagios(report, out);
            return;
        case output_format::json_lines:
            write_json(report, position, out);
            return;
        case output_format::openmetrics:
        case output_format::prometheus_text:
            write_exposition(report, metrics != nullptr ? *metrics : exposition_context{identity_of(report)},
                             format == output_format::openmetrics ? exposition_format::openmetrics
                                                                  : exposition_format::prometheus_text,
                             out);
            return;
    }
}

}  // namespace korvel::probekit::host
