#include "tests/host/format_parsers.hpp"

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>

namespace korvel::probekit::host::test_support {
namespace {

[[noreturn]] void broken(const std::string& rule, const std::string& where) {
    throw std::runtime_error(rule + ": " + where);
}

std::vector<std::string> lines_of(const std::string& text) {
    if (text.empty() || text.back() != '\n') broken("the output does not end with a line feed", text);
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

const std::string number = R"(-?\d+(?:\.\d+)?(?:[eE][-+]?\d+)?)";

// A threshold in the range syntax: [@][start:][end], start a number or "~".
const std::string range = "@?(?:(?:~|" + number + ")?:)?(?:" + number + ")?";

// 'label'=value[UOM][;warn[;crit[;min[;max]]]], a quote in a quoted label doubled, fields may be empty.
const std::string datum = "('(?:[^']|'')*'|[^' =]+)=(" + number + ")(us|ms|KB|MB|TB|s|%|B|c)?((?:;" + range +
                          ")?(?:;" + range + ")?(?:;(?:" + number + ")?){0,2})";

std::string field(const std::vector<std::string>& fields, std::size_t index) {
    return index < fields.size() ? fields[index] : std::string();
}

std::optional<double> bound(const std::vector<std::string>& fields, std::size_t index) {
    if (index >= fields.size() || fields[index].empty()) return std::nullopt;
    return std::stod(fields[index]);
}

std::vector<performance_value> performance_data(const std::string& text) {
    if (!std::regex_match(text, std::regex(datum + "(?: " + datum + ")*")))
        broken("performance data: 'label'=value[UOM];warn;crit;min;max, separated by blanks", text);
    std::vector<performance_value> values;
    const std::regex one(datum);
    for (auto match = std::sregex_iterator(text.begin(), text.end(), one); match != std::sregex_iterator();
         ++match) {
        std::string label = (*match)[1];
        if (label.starts_with('\''))
            label = std::regex_replace(label.substr(1, label.size() - 2), std::regex("''"), "'");
        std::vector<std::string> fields;
        std::istringstream split((*match)[4].str());
        for (std::string field; std::getline(split, field, ';');) fields.push_back(field);
        values.push_back({label, std::stod((*match)[2]), (*match)[3], field(fields, 1), field(fields, 2),
                          bound(fields, 3), bound(fields, 4)});
    }
    return values;
}

// name="value" pairs separated by ','; only \\, \" and \n are escapes.
std::map<std::string, std::string> labels_of(const std::string& text) {
    const std::string label = R"(([a-zA-Z_]\w*)=\"((?:[^"\\]|\\[\\"n])*)\")";
    if (!std::regex_match(text, std::regex("(?:" + label + "(?:," + label + ")*)?")))
        broken("labels: name=\"value\" separated by ','", text);
    std::map<std::string, std::string> labels;
    const std::regex one(label);
    for (auto match = std::sregex_iterator(text.begin(), text.end(), one); match != std::sregex_iterator();
         ++match) {
        std::string value;
        const std::string escaped = (*match)[2];
        for (std::size_t at = 0; at < escaped.size(); ++at) {
            const bool escape = escaped[at] == '\\';  // the pattern puts a character after each
            if (escape) ++at;
            value.push_back(escape && escaped[at] == 'n' ? '\n' : escaped[at]);
        }
        if (!labels.emplace((*match)[1], value).second) broken("label given twice", text);
    }
    return labels;
}

}  // namespace

plugin_output parse_plugin_output(const std::string& output) {
    const auto lines = lines_of(output);
    std::smatch status;
    if (!std::regex_match(
            lines[0], status,
            std::regex(R"(S7 ([A-Z0-9_]+) (OK|WARNING|CRITICAL|UNKNOWN) - ([^|]*?)(?: \| (.+))?)")))
        broken("status line: S7 <SENSOR> <STATE> - <text>[ | <performance data>]", lines[0]);
    plugin_output parsed{status[1], status[2], status[3], {}, {}};
    if (status[4].matched) parsed.performance = performance_data(status[4]);
    for (std::size_t index = 1; index < lines.size(); ++index) {
        if (lines[index].find('|') != std::string::npos) broken("long output holds no '|'", lines[index]);
        parsed.long_output.push_back(lines[index]);
    }
    return parsed;
}

namespace {

// The sample names a family of each type may have (OpenMetrics 1.0, "Metric types").
std::vector<std::string> sample_suffixes(const std::string& type) {
    if (type == "counter") return {"_total", "_created"};
    if (type == "info") return {"_info"};
    if (type == "histogram") return {"_bucket", "_count", "_sum", "_created"};
    if (type == "gaugehistogram") return {"_bucket", "_gcount", "_gsum"};
    if (type == "summary") return {"", "_count", "_sum", "_created"};
    return {""};
}

bool is_sample_suffix(const std::string& name) {
    for (const char* suffix : {"_total", "_created", "_count", "_sum", "_bucket", "_gcount", "_gsum", "_info"}) {
        if (name.ends_with(suffix)) return true;
    }
    return false;
}

void check_family(const metric_family& family) {
    std::set<std::pair<std::string, std::map<std::string, std::string>>> label_sets;
    for (const auto& one : family.samples) {
        if (!label_sets.insert({one.name, one.labels}).second) broken("two samples with the same labels", family.name);
        if (family.type == "stateset") {
            if (!one.labels.contains(family.name)) broken("a state set's sample has a label named as its family", family.name);
            if (one.value != 0 && one.value != 1) broken("a state is 0 or 1", family.name);
        }
        if (family.type == "counter" && one.name.ends_with("_total") && !(one.value >= 0))
            broken("a counter is not negative", family.name);
        if (family.type == "info" && one.value != 1) broken("an info sample is 1", family.name);
    }
}

}  // namespace

std::vector<metric_family> parse_openmetrics(const std::string& exposition) {
    const auto lines = lines_of(exposition);
    if (lines.back() != "# EOF") broken("the exposition ends with # EOF", exposition);
    const std::string name = R"([a-zA-Z_:][\w:]*)";
    const std::regex type("# TYPE (" + name + ") (gauge|counter|stateset|info|histogram|gaugehistogram|summary|unknown)");
    const std::regex unit("# UNIT (" + name + ") (\\w+)");
    const std::regex help("# HELP (" + name + ") ((?:[^\\\\]|\\\\[\\\\\"n])*)");
    const std::regex sample("(" + name + R"()(?:\{(.*)\})? (NaN|[+-]Inf|)" + number + ")");
    std::vector<metric_family> families;
    std::set<std::string> seen;
    for (std::size_t index = 0; index + 1 < lines.size(); ++index) {
        const std::string& line = lines[index];
        std::smatch match;
        if (std::regex_match(line, match, type)) {
            if (!seen.insert(match[1]).second) broken("a family's lines stand together", line);
            if (match[2] != "info" && match[2] != "histogram" && is_sample_suffix(match[1]))
                broken("a family is not named like another type's sample", line);
            families.push_back({match[1], match[2], "", {}});
        } else if (std::regex_match(line, match, unit)) {
            if (families.empty() || match[1] != families.back().name || !families.back().samples.empty())
                broken("UNIT belongs to the family just announced, before its samples", line);
            if (!families.back().name.ends_with("_" + match[2].str())) broken("a family's name ends with its unit", line);
            families.back().unit = match[2];
        } else if (line.starts_with("# HELP ")) {
            if (!std::regex_match(line, match, help) || families.empty() || match[1] != families.back().name ||
                !families.back().samples.empty())
                broken("HELP belongs to the family just announced, before its samples, escaped", line);
        } else if (!std::regex_match(line, match, sample) || families.empty()) {
            broken("a sample of the family just announced: name{labels} value", line);
        } else {
            const auto suffixes = sample_suffixes(families.back().type);
            if (std::ranges::none_of(suffixes, [&](const std::string& suffix) { return match[1] == families.back().name + suffix; }))
                broken("a sample's name is its family's with a suffix of its type", line);
            families.back().samples.push_back({match[1], labels_of(match[2]), std::stod(match[3])});
        }
    }
    for (const auto& family : families) check_family(family);
    return families;
}

}  // namespace korvel::probekit::host::test_support
