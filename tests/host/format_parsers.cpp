#include "tests/host/format_parsers.hpp"

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string_view>

namespace korvel::probekit::host::test_support {
namespace {

[[noreturn]] void broken(const std::string& rule, const std::string& where) {
    throw std::runtime_error(rule + ": " + where);
}

std::vector<std::string> lines_of(const std::string& text) {
    if (!text.empty() && text.back() != '\n') broken("the output does not end with a line feed", text);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool digits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// -?[0-9]+(\.[0-9]+)?([eE][-+]?[0-9]+)?
bool is_decimal(std::string_view text) {
    if (text.starts_with('-')) text.remove_prefix(1);
    const std::size_t exponent = text.find_first_of("eE");
    if (exponent != std::string_view::npos) {
        std::string_view power = text.substr(exponent + 1);
        if (power.starts_with('-') || power.starts_with('+')) power.remove_prefix(1);
        if (!digits(power)) return false;
        text = text.substr(0, exponent);
    }
    const std::size_t point = text.find('.');
    return digits(text.substr(0, point)) &&
           (point == std::string_view::npos || digits(text.substr(point + 1)));
}

bool is_name(std::string_view text, std::string_view extra_first_characters) {
    const auto letter = [&](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
               extra_first_characters.find(c) != std::string_view::npos;
    };
    return !text.empty() && letter(text[0]) && std::all_of(text.begin() + 1, text.end(), [&](char c) {
        return letter(c) || (c >= '0' && c <= '9');
    });
}

double number(const std::string& text, const std::string& where) {
    if (!is_decimal(text)) broken("not a number", text + " in " + where);
    return std::stod(text);
}

std::optional<double> optional_number(const std::string& text, const std::string& where) {
    if (text.empty()) return std::nullopt;
    return number(text, where);
}

// 'label'=value[UOM];[warn];[crit];[min];[max], separated by spaces; a quote in a label is doubled.
std::vector<performance_value> performance_data(const std::string& text) {
    std::vector<performance_value> values;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        performance_value value;
        if (text[at] == '\'') {
            for (++at;; ++at) {
                if (at >= text.size()) broken("unclosed label quote", text);
                if (text[at] == '\'' && (at + 1 >= text.size() || text[at + 1] != '\'')) break;
                if (text[at] == '\'') ++at;
                value.label.push_back(text[at]);
            }
            ++at;
        } else {
            const std::size_t equals = text.find('=', at);
            if (equals == std::string::npos) broken("performance data without '='", text.substr(at));
            value.label = text.substr(at, equals - at);
            if (value.label.find(' ') != std::string::npos)
                broken("a label with blanks must be quoted", value.label);
            at = equals;
        }
        if (at >= text.size() || text[at] != '=')
            broken("a label must be followed by '='", text.substr(0, at));
        const std::size_t end = std::min(text.find(' ', at), text.size());
        const std::string fields = text.substr(at + 1, end - at - 1);
        at = end;
        std::vector<std::string> parts;
        std::istringstream split(fields);
        for (std::string part; std::getline(split, part, ';');) parts.push_back(part);
        if (!fields.empty() && fields.back() == ';') parts.emplace_back();
        if (parts.empty() || parts.size() > 5)
            broken("a value takes one to five ';'-separated fields", fields);
        // value[UOM], UOM one of the convention's units
        for (const std::string_view unit : {"us", "ms", "KB", "MB", "TB", "s", "%", "B", "c"}) {
            if (parts[0].ends_with(unit) &&
                is_decimal(std::string_view(parts[0]).substr(0, parts[0].size() - unit.size()))) {
                value.unit = unit;
                break;
            }
        }
        value.value = number(parts[0].substr(0, parts[0].size() - value.unit.size()), fields);
        parts.resize(5);
        value.warn = optional_number(parts[1], fields);
        value.crit = optional_number(parts[2], fields);
        value.min = optional_number(parts[3], fields);
        value.max = optional_number(parts[4], fields);
        values.push_back(std::move(value));
    }
    return values;
}

std::string label_value(const std::string& line, std::size_t& at) {
    if (line[at] != '"') broken("a label value is quoted", line);
    std::string value;
    for (++at; at < line.size() && line[at] != '"'; ++at) {
        if (line[at] != '\\') {
            value.push_back(line[at]);
            continue;
        }
        if (++at >= line.size()) broken("an escape at the end of a line", line);
        if (line[at] == 'n') {
            value.push_back('\n');
        } else if (line[at] == '\\' || line[at] == '"') {
            value.push_back(line[at]);
        } else {
            broken("only \\\\, \\\" and \\n are escapes", line);
        }
    }
    if (at >= line.size()) broken("unclosed label value", line);
    ++at;
    return value;
}

metric_sample sample(const std::string& line, const std::string& family) {
    std::size_t at = line.find_first_of("{ ");
    if (at == std::string::npos) broken("a sample needs a value", line);
    const std::string name = line.substr(0, at);
    if (!is_name(name, ":")) broken("invalid metric name", name);
    if (name != family) broken("a gauge's sample is named as its family", line);
    metric_sample parsed;
    if (line[at] == '{') {
        ++at;
        while (line[at] != '}') {
            const std::size_t equals = line.find('=', at);
            if (equals == std::string::npos) broken("label without '='", line);
            const std::string label = line.substr(at, equals - at);
            if (!is_name(label, "")) broken("invalid label name", label);
            at = equals + 1;
            if (!parsed.labels.emplace(label, label_value(line, at)).second)
                broken("label given twice", line);
            if (line[at] == ',')
                ++at;
            else if (line[at] != '}')
                broken("labels are separated by ','", line);
        }
        ++at;
    }
    if (at >= line.size() || line[at] != ' ') broken("one blank before the value", line);
    const std::string value = line.substr(at + 1);
    if (value == "NaN") {
        parsed.value = std::nan("");
    } else if (value == "+Inf" || value == "-Inf") {
        parsed.value = value[0] == '-' ? -HUGE_VAL : HUGE_VAL;
    } else {
        parsed.value = number(value, line);
    }
    return parsed;
}

}  // namespace

// S7 <SENSOR> <STATE> - <text>[ | <performance data>], SENSOR of [A-Z0-9_], text without '|'.
plugin_output parse_plugin_output(const std::string& output) {
    const auto lines = lines_of(output);
    if (lines.empty()) broken("no status line", output);
    const std::string& status = lines[0];
    plugin_output parsed;
    std::istringstream words(status);
    std::string prefix, dash;
    words >> prefix >> parsed.sensor >> parsed.state >> dash;
    const bool sensor_ok =
        !parsed.sensor.empty() && std::all_of(parsed.sensor.begin(), parsed.sensor.end(), [](char c) {
            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        });
    const std::set<std::string> states{"OK", "WARNING", "CRITICAL", "UNKNOWN"};
    const std::string head = prefix + " " + parsed.sensor + " " + parsed.state + " - ";
    if (prefix != "S7" || !sensor_ok || !states.contains(parsed.state) || dash != "-" ||
        !status.starts_with(head))
        broken("status line", status);
    const std::size_t bar = status.find('|');
    parsed.text =
        status.substr(head.size(), bar == std::string::npos ? std::string::npos : bar - head.size());
    if (bar != std::string::npos) {
        if (!parsed.text.ends_with(' ') || status.compare(bar, 2, "| ") != 0)
            broken("' | ' before performance data", status);
        parsed.text.pop_back();
        parsed.performance = performance_data(status.substr(bar + 2));
    }
    for (std::size_t index = 1; index < lines.size(); ++index) {
        if (lines[index].find('|') != std::string::npos) broken("long output holds no '|'", lines[index]);
        parsed.long_output.push_back(lines[index]);
    }
    return parsed;
}

std::vector<metric_family> parse_openmetrics(const std::string& exposition) {
    static const std::set<std::string> types{"gauge",     "counter",        "stateset", "info",
                                             "histogram", "gaugehistogram", "summary",  "unknown"};
    const auto lines = lines_of(exposition);
    if (lines.empty() || lines.back() != "# EOF") broken("the exposition ends with # EOF", exposition);
    std::vector<metric_family> families;
    std::set<std::string> seen;
    for (std::size_t index = 0; index + 1 < lines.size(); ++index) {
        const std::string& line = lines[index];
        if (line.starts_with("# TYPE ")) {
            std::istringstream words(line.substr(7));
            metric_family family;
            words >> family.name >> family.type;
            if (!types.contains(family.type)) broken("unknown metric type", line);
            if (!seen.insert(family.name).second) broken("a family's lines stand together", line);
            families.push_back(std::move(family));
        } else if (line.starts_with("# HELP ")) {
            const std::size_t blank = line.find(' ', 7);
            if (families.empty() || line.substr(7, blank - 7) != families.back().name)
                broken("HELP belongs to the family just announced", line);
            families.back().help = blank == std::string::npos ? "" : line.substr(blank + 1);
        } else if (line.starts_with("#")) {
            broken("no other comments", line);
        } else {
            if (families.empty()) broken("a sample before its family's TYPE", line);
            families.back().samples.push_back(sample(line, families.back().name));
        }
    }
    for (const auto& family : families) {
        std::set<std::map<std::string, std::string>> label_sets;
        for (const auto& one : family.samples) {
            if (!label_sets.insert(one.labels).second)
                broken("two samples with the same labels", family.name);
        }
    }
    return families;
}

}  // namespace korvel::probekit::host::test_support
