#include "host/cli/scan_summary_printer.hpp"

#include "host/cli/aligned_columns.hpp"

namespace korvel::probekit::host {

void print_scan_summary(const scan_summary& summary, const std::string& title, std::ostream& out) {
    out << title << ": " << severity_name(summary.state) << '\n';
    if (!summary.message.empty()) out << "  Message: " << summary.message << '\n';
    if (summary.failed || summary.channels.empty()) return;
    std::vector<std::vector<std::string>> rows{{"Channel", "Value", "State"}};
    for (const auto& channel : summary.channels) {
        rows.push_back({channel.name, channel.value, channel.state ? severity_name(*channel.state) : "-"});
    }
    print_aligned_columns(rows, "  ", out);
}

}  // namespace korvel::probekit::host
