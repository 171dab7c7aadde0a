#include "libstringutils/standard_conversions.hpp"

#include <stdexcept>

namespace korvel::probekit::libstringutils {
namespace {

template <typename Convert>
auto convert(const char* name, const std::string& text, Convert convert_text) {
    try {
        return convert_text(text);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument(std::string("invalid ") + name + " argument");
    } catch (const std::out_of_range&) {
        throw std::out_of_range(std::string(name) + " argument out of range");
    }
}

}  // namespace

int to_int(const std::string& text) {
    return convert("stoi", text, [](const std::string& t) { return std::stoi(t); });
}

std::int64_t to_int64(const std::string& text) {
    return convert("stoll", text, [](const std::string& t) { return std::int64_t{std::stoll(t)}; });
}

double to_double(const std::string& text) {
    return convert("stod", text, [](const std::string& t) { return std::stod(t); });
}

}  // namespace korvel::probekit::libstringutils
