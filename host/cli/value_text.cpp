#include "host/cli/value_text.hpp"

#include <cstdint>
#include <iomanip>
#include <sstream>

namespace korvel::probekit::host {
namespace {

constexpr int integer_kind = 1;

// Up to three decimals, without trailing zeros, so 42.5 stays "42.5" and 1e6 is not "1e+06".
std::string decimal_text(double number) {
    std::ostringstream out;
    out << std::fixed << std::setprecision(3) << number;
    std::string text = out.str();
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string number_text(const json& value, int kind, double factor) {
    if (kind == integer_kind && factor == 1.0) return std::to_string(value.get<std::int64_t>());
    return decimal_text(value.get<double>() * factor);
}

// Channel unit codes: 5 percent, 6 milliseconds, 10 count; 0 (none) and reserved codes show no unit.
std::string unit_text(int unit) {
    switch (unit) {
        case 5:
            return "%";
        case 6:
            return "ms";
        case 10:
            return "#";
        default:
            return "";
    }
}

}  // namespace

std::string value_text(const json& value, int kind, const json& definition) {
    if (!value.is_number()) return "no value";
    std::string text = definition.value("value_prefix", "") +
                       number_text(value, kind, definition.value("factor", 1.0)) +
                       definition.value("value_suffix", "");
    const std::string custom_unit = definition.value("custom_unit", "");
    const std::string unit = custom_unit.empty() ? unit_text(definition.value("unit", 0)) : custom_unit;
    if (!unit.empty()) text += " " + unit;
    return text;
}

}  // namespace korvel::probekit::host
