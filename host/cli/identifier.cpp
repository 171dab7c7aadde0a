#include "host/cli/identifier.hpp"

namespace korvel::probekit::host {

std::optional<decoded_identifier> decode_identifier(std::string_view identifier) {
    constexpr std::string_view marker = "#:";
    if (!identifier.starts_with(marker)) return std::nullopt;
    const std::size_t open = identifier.find('[', marker.size());
    if (open == std::string_view::npos || open == marker.size()) return std::nullopt;

    decoded_identifier decoded{std::string(identifier.substr(marker.size(), open - marker.size())), {""}};
    for (std::size_t position = open + 1; position < identifier.size(); ++position) {
        const char c = identifier[position];
        if (c == '\\') {
            if (++position == identifier.size()) return std::nullopt;
            decoded.arguments.back().push_back(identifier[position]);
        } else if (c == ',') {
            decoded.arguments.emplace_back();
        } else if (c == ']') {
            if (position + 1 != identifier.size()) return std::nullopt;
            return decoded;
        } else {
            decoded.arguments.back().push_back(c);
        }
    }
    return std::nullopt;  // no closing bracket
}

}  // namespace korvel::probekit::host
