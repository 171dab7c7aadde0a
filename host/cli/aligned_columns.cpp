#include "host/cli/aligned_columns.hpp"

#include <algorithm>

namespace korvel::probekit::host {
namespace {

std::size_t characters(std::string_view text) {
    return static_cast<std::size_t>(std::ranges::count_if(text, [](char c) { return (c & 0xC0) != 0x80; }));
}

}  // namespace

void print_aligned_columns(const std::vector<std::vector<std::string>>& rows, std::string_view indent,
                           std::ostream& out) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t column = 0; column < row.size(); ++column) {
            widths[column] = std::max(widths[column], characters(row[column]));
        }
    }
    for (const auto& row : rows) {
        std::string line(indent);
        for (std::size_t column = 0; column < row.size(); ++column) {
            line += row[column];
            if (column + 1 < row.size()) line.append(widths[column] - characters(row[column]) + 2, ' ');
        }
        line.erase(line.find_last_not_of(' ') + 1);  // an empty last cell leaves no padding behind
        out << line << '\n';
    }
}

}  // namespace korvel::probekit::host
