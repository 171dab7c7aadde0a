#include "libstringutils/hex.hpp"

#include <array>
#include <cstdio>

namespace korvel::probekit::libstringutils {

std::string hex_digits(std::uint32_t value, int digits, hex_case letters) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), letters == hex_case::upper ? "%0*X" : "%0*x", digits,
                  static_cast<unsigned>(value));
    return text.data();
}

}  // namespace korvel::probekit::libstringutils
