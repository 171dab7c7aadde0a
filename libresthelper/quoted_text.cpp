#include "libresthelper/quoted_text.hpp"

namespace korvel::probekit::libresthelper {

std::string quoted_text(std::string_view text, std::size_t max_length) {
    if (text.size() <= max_length) return std::string(text);
    std::size_t end = max_length;
    // Continuation bytes look like 10xxxxxx; stepping back over them lands on a character's start.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "...";
}

}  // namespace korvel::probekit::libresthelper
