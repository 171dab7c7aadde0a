#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korvel::probekit::host {

// Prints rows with each column padded to its widest cell, counting UTF-8 characters rather than
// bytes so translated texts line up.
void print_aligned_columns(const std::vector<std::vector<std::string>>& rows, std::string_view indent,
                           std::ostream& out);

}  // namespace korvel::probekit::host
